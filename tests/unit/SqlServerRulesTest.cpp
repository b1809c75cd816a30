// SQL Server as an ordinary install answers, where its rules are not
// SQLite's: the server's user options, the way it reports a failed
// statement. Each over the wire to the TDS test server, set as such a
// server is.

#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementBatch.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/TdsServer.h"

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
