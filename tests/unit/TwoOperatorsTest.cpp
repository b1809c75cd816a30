// Two operators on one ledger, each with a window of their own: a second
// Create Accounting Year racing the first one's commit, and a Migrate Accounts
// from a worksheet loaded before another operator created a year, a connect
// while another operator creates a year. Each runs on every road with two
// independent sessions, and on SQL Server's with row versioning too.

#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/YearEndContext.h"

#include <QSemaphore>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QString kYearExists =
    QStringLiteral("Accounting Year Already Exists\r\nIf You Create New Accounting year Before "
                   "April 1st Accounts May Not Match");

// One operator's window core.
struct Operator
{
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};

    bool connect(const QString& server)
    {
        sink.clear();
        controls.pharma = true;
        controls.server = server;
        CommandRunner::run(sink, [this] { ConnectCommand(context).run(); });
        return context.isWorksheetSound() && sink.messages.isEmpty();
    }
    bool click(const std::function<void(YearEndContext&)>& command)
    {
        sink.clear();
        return CommandRunner::run(sink, [&] { command(context); });
    }
};

void createYear(YearEndContext& context)
{
    CreateYearCommand(context).run();
}

void migrate(YearEndContext& context)
{
    MigrateCommand(context).run();
}

class TwoOperators : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("6"), QStringLiteral("--years"),
                      QStringLiteral("3"), QStringLiteral("--postings"), QStringLiteral("60"),
                      QStringLiteral("--first-year"), QStringLiteral("2005"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        server = road.serverName(ledger.folder());
    }

    int years() const
    {
        return ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Accounting_Year")).toInt();
    }

    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    QString server;
};

// The first operator is held right before the insert of the new year, with
// the old one turned off; the second clicks then, from a window of its own
// on a thread of its own. Whichever way the two interleave, one year is
// made and the second operator is told it exists.
TEST_P(TwoOperators, SecondCreateAccountingYearFindsTheFirstOnesYear)
{
    Operator first;
    ASSERT_TRUE(first.connect(server)) << str(first.sink.texts().join(u'\n'));

    QSemaphore connected;
    QSemaphore go;
    QStringList secondMessages;
    bool secondCreateStillOffered = false;
    std::thread second([&] {
        Operator op;
        const bool ok = op.connect(server);
        connected.release();
        if (!ok) {
            secondMessages = op.sink.texts();
            return;
        }
        go.acquire();
        op.click(createYear);
        secondMessages = op.sink.texts();
        secondCreateStillOffered = op.controls.createEnabled && op.controls.createVisible;
    });
    connected.acquire();

    first.context.setBeforeStatement([&](const QString& sql) {
        if (sql.startsWith(QLatin1String("INSERT INTO Acc_Accounting_Year"))) {
            go.release();
            // Long enough for the second to reach its check or its lock.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    EXPECT_TRUE(first.click(createYear));
    second.join();

    EXPECT_TRUE(first.sink.messages.isEmpty()) << str(first.sink.texts().join(u'\n'));
    // The second was told who made the year, not that its date is early.
    ASSERT_EQ(secondMessages.size(), 1);
    EXPECT_TRUE(secondMessages[0].startsWith(
        QLatin1String("Another operator has just created the accounting year that ends on "
                      "31-03-2009")))
        << str(secondMessages[0]);
    EXPECT_TRUE(secondCreateStillOffered);
    EXPECT_EQ(years(), 4);
    EXPECT_EQ(ledger
                  .value(QStringLiteral("SELECT count(*) FROM Acc_Accounting_Year WHERE "
                                        "Active=1"))
                  .toInt(),
              1);
}

// The first operator connects; the second creates a year and migrates; the
// first then clicks Migrate Accounts from a worksheet without the new year.
TEST_P(TwoOperators, MigrationFromAWorksheetOlderThanTheLedgerIsRefused)
{
    Operator first;
    ASSERT_TRUE(first.connect(server)) << str(first.sink.texts().join(u'\n'));
    {
        Operator second;
        ASSERT_TRUE(second.connect(server)) << str(second.sink.texts().join(u'\n'));
        ASSERT_TRUE(second.click(createYear));
        ASSERT_TRUE(second.click(migrate));
        ASSERT_TRUE(second.sink.messages.isEmpty()) << str(second.sink.texts().join(u'\n'));
    }
    const QByteArray before = ledger.bytes();
    ASSERT_GT(
        ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Opening WHERE AccYearID=4")).toInt(),
        0);

    EXPECT_TRUE(first.click(migrate));
    ASSERT_EQ(first.sink.messages.size(), 1);
    EXPECT_TRUE(first.sink.messages[0].text.contains(QLatin1String("another operator")))
        << str(first.sink.messages[0].text);
    EXPECT_EQ(first.controls.status, QStringLiteral("Server Connected"));
    EXPECT_EQ(ledger.bytes(), before);

    // Connected again, the same operator migrates the ledger as it is.
    ASSERT_TRUE(first.connect(server));
    EXPECT_TRUE(first.click(migrate));
    EXPECT_TRUE(first.sink.messages.isEmpty()) << str(first.sink.texts().join(u'\n'));
}

// The first operator connects; someone corrects an opening by hand (as a
// restore of a snapshot would change it); the first operator's worksheet
// still holds the old figure, and neither command may go on from it.
TEST_P(TwoOperators, CommandsFromOpeningsOlderThanTheLedgerAreRefused)
{
    Operator first;
    ASSERT_TRUE(first.connect(server)) << str(first.sink.texts().join(u'\n'));
    ledger.execute(QStringLiteral("UPDATE Acc_Opening SET Opening=Opening+1000 WHERE rowid IN "
                                  "(SELECT min(rowid) FROM Acc_Opening)"));
    const QByteArray before = ledger.bytes();

    for (const auto& command : {migrate, createYear}) {
        EXPECT_TRUE(first.click(command));
        ASSERT_EQ(first.sink.messages.size(), 1);
        EXPECT_TRUE(first.sink.messages[0].text.startsWith(
            QLatin1String("The opening balances in the ledger are no longer those this window "
                          "loaded")))
            << str(first.sink.messages[0].text);
        EXPECT_EQ(ledger.bytes(), before);
    }
    EXPECT_TRUE(first.controls.createVisible);
    EXPECT_EQ(first.context.accYears().rows(), 3);

    // Connected again, the worksheet holds the correction and both go on;
    // a year created after the window's own migration reads it back.
    ASSERT_TRUE(first.connect(server));
    EXPECT_TRUE(first.click(migrate));
    EXPECT_TRUE(first.click(createYear));
    EXPECT_TRUE(first.sink.messages.isEmpty()) << str(first.sink.texts().join(u'\n'));
    EXPECT_EQ(years(), 4);
}

// While the first operator's connect reads the ledger, the second creates a
// year: its commit waits for the connect's reads to end, so that the first's
// worksheet is the ledger as one commit left it, not the years of one and
// the accounts' figures of the next.
TEST_P(TwoOperators, AConnectLoadsTheLedgerAsOneCommitLeftIt)
{
#ifdef Q_OS_WIN
    // Under Wine the second operator's thread, started from inside the
    // first one's statement hook, faults in the ODBC layer; the same product
    // code is proven on Linux.
    GTEST_SKIP() << "not under Wine";
#endif
    Operator first;
    Operator second;
    ASSERT_TRUE(second.connect(server)) << str(second.sink.texts().join(u'\n'));
    std::thread creating;
    int yearsMidConnect = 3;
    first.context.setBeforeStatement([&](const QString& sql) {
        if (creating.joinable() ||
            !sql.startsWith(QLatin1String("Select * from Acc_Accounting_Year")))
            return;
        creating = std::thread([&] { second.click(createYear); });
        // Long enough for the second's year to be committed, were it not
        // held back.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        // On SQLite the waiting writer holds the file's pending lock, which
        // a reader from outside would wait for in turn.
        if (road.isTds())
            yearsMidConnect = years();
    });
    const bool connected = first.connect(server);
    if (creating.joinable())
        creating.join();
    ASSERT_TRUE(connected) << str(first.sink.texts().join(u'\n'));
    EXPECT_EQ(yearsMidConnect, 3);
    EXPECT_EQ(first.context.accYears().rows(), 3);
    EXPECT_TRUE(second.sink.messages.isEmpty()) << str(second.sink.texts().join(u'\n'));
    EXPECT_EQ(years(), 4);
}

std::string roadLabel(const ::testing::TestParamInfo<const char*>& road)
{
    return road.param;
}

INSTANTIATE_TEST_SUITE_P(Roads, TwoOperators, ::testing::ValuesIn(LedgerRoad::names()), roadLabel);
INSTANTIATE_TEST_SUITE_P(RowVersioning, TwoOperators, ::testing::Values("tdsrowversioning"),
                         roadLabel);

} // namespace
