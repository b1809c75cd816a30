// SQL Server as an ordinary install answers, where its rules are not
// SQLite's: the server's user options, the way it reports a failed
// statement. Each over the wire to the TDS test server, set as such a
// server is.

#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementBatch.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/TdsServer.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/YearEndContext.h"

#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QStringList kLedger{QStringLiteral("--database"),    QStringLiteral("Dosavine"),
                          QStringLiteral("--accounts"),    QStringLiteral("30"),
                          QStringLiteral("--years"),       QStringLiteral("3"),
                          QStringLiteral("--postings"),    QStringLiteral("400"),
                          QStringLiteral("--seed"),        QStringLiteral("17"),
                          QStringLiteral("--first-year"),  QStringLiteral("2005"),
                          QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")};

// The window's core on one server: connect, Create Accounting Year, Migrate
// Accounts, each as the operator clicks it.
struct Operator
{
    explicit Operator(const QString& server)
    {
        controls.pharma = true;
        controls.server = server;
    }
    bool click(const std::function<void()>& command)
    {
        sink.clear();
        return CommandRunner::run(sink, command) && sink.messages.isEmpty();
    }
    bool connect()
    {
        return click([this] { ConnectCommand(context).run(); }) &&
               controls.status == QLatin1String("Server Connected");
    }
    bool createYear()
    {
        return click([this] { CreateYearCommand(context).run(); });
    }
    bool migrate()
    {
        return click([this] { MigrateCommand(context).run(); });
    }
    QString said() const { return sink.texts().join(u'\n'); }

    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
};

QList<QVariantList> tables(const LedgerFixture& ledger)
{
    return LedgerFixture::rowsOf(ledger.path(),
                                 QStringLiteral("SELECT * FROM Acc_Accounting_Year")) +
           LedgerFixture::rowsOf(ledger.path(),
                                 QStringLiteral("SELECT * FROM Acc_Opening ORDER BY rowid"));
}

// A DBA may set NOCOUNT in the server's user options: no statement then
// reports its rows, and a request of many statements came back as one
// result. The year-end goes through all the same, to the same tables as on
// a server that counts.
TEST(SqlServerRules, NoCountInTheServersOptionsChangesNothing)
{
    LedgerFixture counting;
    LedgerFixture silent;
    counting.build(kLedger);
    silent.build(kLedger);
    TdsServer countingServer(counting.folder());
    TdsServer silentServer(silent.folder());
    silentServer.command(QStringLiteral("nocount on"));

    for (TdsServer* server : {&countingServer, &silentServer}) {
        Operator op(server->serverName());
        ASSERT_TRUE(op.connect()) << str(op.said());
        ASSERT_TRUE(op.createYear()) << str(op.said());
        ASSERT_TRUE(op.migrate()) << str(op.said());
    }
    EXPECT_EQ(tables(silent), tables(counting));
    EXPECT_NE(tables(silent), [] {
        LedgerFixture untouched;
        untouched.build(kLedger);
        return tables(untouched);
    }());
}

// A statement that breaks a key or a constraint comes as SQL Server's error
// and then 3621, "The statement has been terminated.": the operator reads
// the error's number, and both texts, alone or in the middle of a request.
TEST(SqlServerRules, BrokenKeysAndConstraintsShowTheirOwnNumber)
{
    LedgerFixture ledger;
    ledger.build(kLedger);
    ledger.execute(QStringList{
        QStringLiteral("CREATE TABLE Rules(id INTEGER PRIMARY KEY, code TEXT NOT NULL UNIQUE, "
                       "amount REAL CONSTRAINT CK_Rules_amount CHECK (amount >= 0))"),
        QStringLiteral("INSERT INTO Rules VALUES (1, 'A', 1)")});
    TdsServer server(ledger.folder());
    Session session;
    session.open(Profile::connectionString(Profile::Id::Dosavine, server.serverName()));
    const struct
    {
        const char* sql;
        int number;
        const char* says;
    } cases[] = {
        {"INSERT INTO Rules VALUES (1, 'B', 1)", 2627, "Violation of PRIMARY KEY constraint"},
        {"INSERT INTO Rules VALUES (2, 'A', 1)", 2601, "Cannot insert duplicate key row"},
        {"INSERT INTO Rules VALUES (3, NULL, 1)", 515, "Cannot insert the value NULL into column"},
        {"UPDATE Rules SET amount = -1 WHERE id = 1", 547, "conflicted with the CHECK constraint"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        for (const bool inARequest : {false, true}) {
            try {
                if (inARequest) {
                    const auto statement = [](const QString& sql) {
                        return SqlStatement().raw(sql);
                    };
                    StatementBatch batch(session);
                    batch.execute(statement(QStringLiteral("UPDATE Rules SET amount = 2")));
                    batch.execute(statement(QString::fromUtf8(c.sql)));
                    batch.execute(statement(QStringLiteral("UPDATE Rules SET amount = 3")));
                    batch.flush();
                } else {
                    session.execute(QString::fromUtf8(c.sql));
                }
                ADD_FAILURE() << "no failure";
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.number(), c.number) << str(failure.description());
                EXPECT_TRUE(failure.description().contains(QLatin1String(c.says)))
                    << str(failure.description());
                EXPECT_TRUE(failure.description().contains(
                    QLatin1String("The statement has been terminated.")))
                    << str(failure.description());
            }
        }
    }
    EXPECT_EQ(session.query(QStringLiteral("SELECT count(*) FROM Rules")).field(0).toInt(), 1);
}

} // namespace
