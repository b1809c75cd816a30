// Migrate Accounts is all or nothing: whichever statement fails, the table is
// as it was before the click, the failure is shown with its number and
// description, and the window still offers the command.

#include "core/Failure.h"
#include "tests/unit/MigrationHarness.h"

#include <gtest/gtest.h>

namespace {

using Backend = MigrationHarness::Backend;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

constexpr int kInjected = 4711;

class MigrationFault : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        // Three accounts over two years: six worksheet rows, openings from
        // an earlier run already in the table, and a stale row a complete
        // migration removes.
        h.build({s("--years"), s("2"), s("--accounts"), s("3"), s("--postings"), s("40"),
                 s("--seed"), s("7"), s("--server-date"), s("2011-06-15T10:00")});
        h.ledger.execute(s("INSERT INTO Acc_Opening VALUES('1001',99,5,'D',6,'C')"));
        ASSERT_TRUE(h.connect()) << h.sink.texts().join(u'\n').toStdString();
        ASSERT_EQ(h.context.accounts().rows(), 6);
        h.sink.clear();
        before = h.dump();
        beforeBytes = h.ledger.bytes();
        ASSERT_FALSE(before.empty());
    }

    // The click failed and left everything as it was.
    void expectUntouched(const QString& description)
    {
        ASSERT_EQ(h.sink.messages.size(), 1);
        EXPECT_EQ(h.sink.messages[0].icon, Prompts::Icon::Critical);
        EXPECT_TRUE(h.sink.messages[0].text.contains(description))
            << h.sink.messages[0].text.toStdString();
        EXPECT_TRUE(h.controls.migrateEnabled);
        EXPECT_EQ(h.controls.status, s("Server Connected"));
        EXPECT_FALSE(h.context.session().inTransaction());
        EXPECT_EQ(h.dump(), before);
        EXPECT_EQ(h.ledger.bytes(), beforeBytes);
    }

    MigrationHarness h{GetParam()};
    std::string before;
    QByteArray beforeBytes;
};

TEST_P(MigrationFault, FailingAnyStatementLeavesTheTableAsItWas)
{
    int sent = 0;
    int failAt = 0;
    h.context.setBeforeStatement([&](const QString& sql) {
        if (++sent == failAt)
            throw Failure(kInjected, s("Injected failure before: ") + sql);
    });

    const int rows = h.context.accounts().rows();
    // With the years check, the snapshot's three and the two queries of the
    // year lookup.
    const int statements = 1 + 3 + 5 * rows + 3 + 2;
    for (failAt = 1; failAt <= statements; ++failAt) {
        SCOPED_TRACE(failAt);
        sent = 0;
        h.sink.clear();
        EXPECT_FALSE(h.migrate());
        ASSERT_EQ(h.log.size(), failAt - 1);
        expectUntouched(QString::number(kInjected));
        if (HasFatalFailure())
            return;
    }

    // With the fault beyond the last statement the same session migrates.
    sent = 0;
    h.sink.clear();
    ASSERT_TRUE(h.migrate()) << h.sink.texts().join(u'\n').toStdString();
    EXPECT_EQ(sent, statements);
    EXPECT_NE(h.dump(), before);
    EXPECT_FALSE(h.controls.migrateEnabled);
    EXPECT_EQ(h.controls.status, s("Accounts Migration Completed"));
}

TEST_P(MigrationFault, StatementTheDatabaseRefuses)
{
    // The ledger refuses one account's insert, after the delete and the
    // inserts of the rows above it have gone through.
    h.ledger.execute(s("CREATE TRIGGER refuse_9999 BEFORE INSERT ON Acc_Opening "
                       "WHEN NEW.AccId = '9999' BEGIN SELECT RAISE(ABORT, 'account 9999 is "
                       "locked'); END"));
    before = h.dump();
    beforeBytes = h.ledger.bytes();
    h.appendRow({s("9999"), 2, 0, s("D"), 1, 1, s("D")});
    EXPECT_FALSE(h.migrate());
    EXPECT_EQ(h.log.size(), 5 + h.context.accounts().rows());
    expectUntouched(s("account 9999 is locked"));
    EXPECT_TRUE(h.sink.messages[0].text.endsWith(
        s("Nothing of Migrate Accounts was kept: the ledger is as it was before.")))
        << h.sink.messages[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Backends, MigrationFault,
                         ::testing::ValuesIn(MigrationHarness::backends()),
                         [](const ::testing::TestParamInfo<Backend>& p) {
                             return MigrationHarness::backendName(p.param);
                         });

} // namespace
