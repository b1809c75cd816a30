// A process killed while it migrates leaves Acc_Opening as it was: the
// child connects to a ledger file, starts Migrate Accounts and dies right
// before its k-th statement; the next connection finds the old table.

#include "tests/unit/MigrationHarness.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

using Backend = MigrationHarness::Backend;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

struct ChildRun
{
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QString output;
};

ChildRun runChild(const QString& server, int killAt)
{
    QProcess child;
    child.start(QString::fromUtf8(QH_MIGRATE_CHILD), {server, QString::number(killAt)});
    ChildRun run;
    if (!child.waitForStarted() || !child.waitForFinished(5 * 60 * 1000)) {
        child.kill();
        child.waitForFinished();
        run.output = s("child did not run: ") + child.errorString();
        return run;
    }
    run.status = child.exitStatus();
    run.exitCode = child.exitCode();
    run.output =
        QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    return run;
}

class MigrationKill : public ::testing::TestWithParam<Backend>
{
protected:
    MigrationHarness h{GetParam()};
};

TEST_P(MigrationKill, KilledPartWayLeavesTheTableAsItWas)
{
    constexpr int kYears = 3;
    constexpr int kAccounts = 4;
    h.build({s("--years"), QString::number(kYears), s("--accounts"), QString::number(kAccounts),
             s("--postings"), s("60"), s("--seed"), s("11"), s("--server-date"),
             s("2011-06-15T10:00")});
    // A stale row, so that a complete migration shows in the table.
    h.ledger.execute(s("INSERT INTO Acc_Opening VALUES('1001',99,5,'D',6,'C')"));
    const std::string before = h.dump();
    ASSERT_FALSE(before.empty());

    constexpr int n = kYears * kAccounts;
    // Before and right after the delete, within the inserts, within each
    // update step, before the year lookup and before the very last statement
    // (the years check and the snapshot's three queries come first).
    const int killPoints[] = {5, 6, n + 4, n + 6, 3 * n + 5, 5 * n + 5, 5 * n + 6, 5 * n + 9};
    for (int killAt : killPoints) {
        SCOPED_TRACE(killAt);
        const ChildRun run = runChild(h.serverName(), killAt);
        ASSERT_EQ(run.status, QProcess::CrashExit) << run.output.toStdString();
        // SQL Server rolls back what a dead client left open; wait for it.
        if (h.road().isTds())
            h.road().server().command(s("disconnect"));
        EXPECT_EQ(h.dump(), before);
    }

    // Left alone, the same child migrates and says how many statements it sent.
    const ChildRun run = runChild(h.serverName(), 0);
    ASSERT_EQ(run.status, QProcess::NormalExit);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(run.output.trimmed().toInt(), 5 * n + 9);
    EXPECT_NE(h.dump(), before);

    // A killed child may have kept its snapshot before it died (most die
    // before the archive's write is done): the next connect settles any
    // such record from the ledger as the next record found it.
    ASSERT_TRUE(h.connect()) << h.sink.texts().join(u'\n').toStdString();
    const QList<SnapshotArchive::Record> records =
        SnapshotArchive::of(h.context.ledger()).records();
    ASSERT_GE(records.size(), 1);
    EXPECT_EQ(records[0].outcome, SnapshotArchive::Outcome::Landed);
    for (qsizetype r = 1; r < records.size(); ++r)
        EXPECT_EQ(records[r].outcome, SnapshotArchive::Outcome::NotLanded) << records[r].number;
}

INSTANTIATE_TEST_SUITE_P(Backends, MigrationKill, ::testing::ValuesIn(MigrationHarness::backends()),
                         [](const ::testing::TestParamInfo<Backend>& p) {
                             return MigrationHarness::backendName(p.param);
                         });

} // namespace
