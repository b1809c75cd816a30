// What goes wrong on the way to SQL Server, each over the real wire to the
// TDS test server: a refused login, a missing database or table, values the
// server will not convert, a server that drops the connection at any request
// of a command or stops answering in the middle of one. Every case ends in a
// message with the server's number and text, and a ledger exactly as it was
// before the click.

#include "core/Failure.h"
#include "db/Profile.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/TdsServer.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/YearEndContext.h"

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QStringList kSmallLedger{QStringLiteral("--database"),    QStringLiteral("Dosavine"),
                               QStringLiteral("--accounts"),    QStringLiteral("3"),
                               QStringLiteral("--years"),       QStringLiteral("2"),
                               QStringLiteral("--postings"),    QStringLiteral("40"),
                               QStringLiteral("--seed"),        QStringLiteral("3"),
                               QStringLiteral("--first-year"),  QStringLiteral("2006"),
                               QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")};

// A window core connected (or not) to the TDS test server over one ledger.
class WireFailure : public ::testing::Test
{
protected:
    void SetUp() override { ledger.build(kSmallLedger); }

    TdsServer& startServer(const QStringList& extra = {},
                           TdsServer::Logins logins = TdsServer::Logins::Profiles)
    {
        server = std::make_unique<TdsServer>(ledger.folder(), extra, logins);
        return *server;
    }

    // The connect command as the operator clicks it; true when connected.
    bool connect()
    {
        sink.clear();
        controls.pharma = true;
        controls.server = server->serverName();
        CommandRunner::run(sink, [this] { ConnectCommand(context).run(); });
        return controls.status == QLatin1String("Server Connected") && sink.messages.isEmpty();
    }

    bool click(const std::function<void()>& command)
    {
        sink.clear();
        return CommandRunner::run(sink, command);
    }

    // The one message shown, which carries the number and the server's text.
    void expectMessage(int number, const QString& text)
    {
        ASSERT_EQ(sink.messages.size(), 1) << str(sink.texts().join(u'\n'));
        EXPECT_TRUE(sink.messages[0].text.startsWith(QStringLiteral("Error %1\n").arg(number)))
            << str(sink.messages[0].text);
        EXPECT_TRUE(sink.messages[0].text.contains(text)) << str(sink.messages[0].text);
    }

    LedgerFixture ledger;
    std::unique_ptr<TdsServer> server;
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
};

TEST_F(WireFailure, RefusedLoginShowsTheServersText)
{
    startServer({QStringLiteral("--login"), QStringLiteral("Dosavine:NotThePassword:Dosavine")},
                TdsServer::Logins::OnlyExtra);
    EXPECT_FALSE(connect());
    expectMessage(Failure::LoginRefused, QStringLiteral("Login failed for user 'Dosavine'."));
    EXPECT_EQ(controls.focusServerCalls, 1);
    EXPECT_TRUE(controls.status.isEmpty());
    EXPECT_FALSE(context.session().isOpen());
}

TEST_F(WireFailure, MissingDatabaseIsARefusedLogin)
{
    QFile::remove(ledger.path());
    startServer();
    EXPECT_FALSE(connect());
    expectMessage(Failure::LoginRefused,
                  QStringLiteral("Cannot open database \"Dosavine\" requested by the login."));
    EXPECT_FALSE(context.session().isOpen());
}

TEST_F(WireFailure, ServerErrorsReachTheOperatorWithTheirNumbers)
{
    struct Case
    {
        const char* damage;
        int number;
        const char* text;
    };
    const Case cases[] = {
        {"DROP TABLE Acc_Master", 208, "Invalid object name 'Acc_Master'."},
        {"DROP VIEW sproc_GetServerDate", 2812,
         "Could not find stored procedure 'sproc_GetServerDate'."},
        // SQL Server keeps no text in a float column; such a value cannot
        // reach the client.
        {"UPDATE Acc_Opening SET Opening='lots' WHERE rowid=1", 8114,
         "Error converting data type varchar to float."},
        {"UPDATE Acc_Accounting_Year SET Active='yes' WHERE AccYearID=2", 245,
         "Conversion failed when converting the varchar value 'yes' to data type int."},
    };
    startServer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        ledger.build(kSmallLedger);
        ledger.execute(QString::fromUtf8(c.damage));
        EXPECT_FALSE(connect());
        expectMessage(c.number, QString::fromUtf8(c.text));
        EXPECT_FALSE(controls.migrateEnabled);
    }
}

TEST_F(WireFailure, StatementErrorsCarrySqlServersNumbers)
{
    startServer();
    ASSERT_TRUE(connect()) << str(sink.texts().join(u'\n'));
    Session& session = context.session();
    const std::pair<const char*, int> cases[] = {
        {"Select * fro Acc_Master", 102},
        {"Select NoSuchColumn from Acc_Master", 207},
        {"Select * from NoSuchTable", 208},
    };
    for (const auto& [sql, number] : cases) {
        SCOPED_TRACE(sql);
        try {
            session.query(QString::fromUtf8(sql));
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), number) << str(failure.description());
            EXPECT_TRUE(failure.description().contains(QLatin1String("[SQL Server]")))
                << str(failure.description());
        }
    }
    // The connection is still good after them.
    EXPECT_GT(session.query(QStringLiteral("Select count(*) from Acc_Master")).field(0).toInt(), 3);
}

TEST_F(WireFailure, DroppedAtAnyRequestTheCommandKeepsNothing)
{
    TdsServer& tds = startServer();
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Migrate Accounts", [this] { MigrateCommand(context).run(); }},
        {"Create Accounting Year", [this] { CreateYearCommand(context).run(); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        // How many requests the command makes when nothing fails.
        ledger.build(kSmallLedger);
        ASSERT_TRUE(connect());
        const qint64 start = tds.requests();
        ASSERT_TRUE(click(command)) << str(sink.texts().join(u'\n'));
        const qint64 requests = tds.requests() - start;
        ASSERT_GT(requests, 3);

        // The k-th request, for every k, ends the connection.
        for (qint64 k = 1; k <= requests; ++k) {
            SCOPED_TRACE(k);
            ledger.build(kSmallLedger);
            ASSERT_TRUE(connect());
            const QByteArray before = ledger.bytes();
            tds.command(QStringLiteral("drop %1").arg(k));
            EXPECT_FALSE(click(command));
            ASSERT_EQ(sink.messages.size(), 1);
            EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("was lost")))
                << str(sink.messages[0].text);
            EXPECT_EQ(ledger.bytes(), before);
        }
        tds.command(QStringLiteral("drop 0"));

        // The commit carried out and its answer lost: the command is kept,
        // and the operator is told that its fate is not known.
        ledger.build(kSmallLedger);
        ASSERT_TRUE(connect());
        const QByteArray before = ledger.bytes();
        tds.command(QStringLiteral("lose %1").arg(requests));
        EXPECT_FALSE(click(command));
        ASSERT_EQ(sink.messages.size(), 1);
        EXPECT_TRUE(
            sink.messages[0].text.contains(QLatin1String("whether it kept them is not known")))
            << str(sink.messages[0].text);
        EXPECT_NE(ledger.bytes(), before);
    }
}

// One insert in the middle of a request is refused; SQL Server goes on with
// the statements after it, and the command shows the refused one's error and
// takes back everything.
TEST_F(WireFailure, StatementRefusedInTheMiddleOfARequestKeepsNothing)
{
    ledger.execute(QStringLiteral(
        "CREATE TRIGGER refuse_1002 BEFORE INSERT ON Acc_Opening WHEN NEW.AccId = '1002' AND "
        "NEW.AccYearID = 1 BEGIN SELECT RAISE(ABORT, 'account 1002 is locked'); END"));
    TdsServer& tds = startServer();
    ASSERT_TRUE(connect());
    const QByteArray before = ledger.bytes();
    const qint64 statementsBefore = tds.statements();
    EXPECT_FALSE(click([this] { MigrateCommand(context).run(); }));
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("account 1002 is locked")))
        << str(sink.messages[0].text);
    // The server ran the inserts after the refused one too.
    const int rows = context.accounts().rows();
    EXPECT_GE(tds.statements() - statementsBefore, 2 + rows);
    EXPECT_EQ(ledger.bytes(), before);
    EXPECT_TRUE(controls.migrateEnabled);
}

TEST_F(WireFailure, ServerThatStopsAnsweringMidMigrationKeepsNothing)
{
    SessionOptions shortWaits;
    shortWaits.queryTimeoutSeconds = 2;
    // No lock waits here: the driver's own wait is then half the time-out.
    shortWaits.lockTimeoutSeconds = 0;
    context.setSessionOptions(shortWaits);
    TdsServer& tds = startServer();
    ASSERT_TRUE(connect());
    const QByteArray before = ledger.bytes();
    // Past the delete and a few inserts.
    tds.command(QStringLiteral("hang 6"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(click([this] { MigrateCommand(context).run(); }));
    // The command gives up after one time-out, not one for the request and
    // another for the rollback that follows.
    EXPECT_LT(clock.elapsed(), 2 * 2000 - 300) << clock.elapsed() << " ms";
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("stopped answering")))
        << str(sink.messages[0].text);
    EXPECT_TRUE(controls.migrateEnabled);
    // The server rolls back once the connection is gone.
    tds.command(QStringLiteral("disconnect"));
    EXPECT_EQ(ledger.bytes(), before);
}

// A server that takes the connection and never says a word: the connect
// gives up after the login timeout, 15 seconds, and says the name is wrong.
TEST_F(WireFailure, SilentServerEndsTheConnectAfterTheLoginTimeout)
{
    TdsServer& tds = startServer();
    tds.command(QStringLiteral("mute on"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(connect());
    const qint64 seconds = clock.elapsed() / 1000;
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(str(sink.messages[0].text), "Please enter Valid Server Name ");
    const int loginTimeout = SessionOptions().loginTimeoutSeconds;
    EXPECT_GE(seconds, loginTimeout - 1);
    EXPECT_LE(seconds, loginTimeout + 10);
    // The window was asked to paint all along (every 50 ms), not frozen.
    EXPECT_GE(controls.paintCalls, seconds * 10);
}

} // namespace
