// The TDS test server behaves as SQL Server does where our client stack
// can tell: the types it sends, several results from one batch, datetime
// columns that count a written number from 1 January 1900, transactions
// that a dropped connection rolls back, and its counts and knobs.

#include "tests/support/TdsServer.h"
#include "db/ConnectionString.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "tests/support/LedgerFixture.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

class TdsServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("4"), QStringLiteral("--years"),
                      QStringLiteral("2"), QStringLiteral("--postings"), QStringLiteral("20"),
                      QStringLiteral("--year-dates"), QStringLiteral("datetime"),
                      QStringLiteral("--amounts"), QStringLiteral("money"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        server = std::make_unique<TdsServer>(ledger.folder());
    }

    // A plain Qt ODBC connection to the server, as the session makes it.
    QSqlDatabase open(const QString& name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(
            ConnectionString(Profile::connectionString(Profile::Id::Dosavine, server->serverName()))
                .odbcForSqlServer(QStringLiteral("FreeTDS")));
        EXPECT_TRUE(db.open()) << str(db.lastError().text());
        return db;
    }

    LedgerFixture ledger;
    std::unique_ptr<TdsServer> server;
};

TEST_F(TdsServerTest, TypesAsSqlServerSendsThem)
{
    Session session;
    session.open(Profile::connectionString(Profile::Id::Dosavine, server->serverName()));
    // One result at a time: without multiple active result sets a second
    // query waits for the first to be closed.
    RecordSet rs = session.query(QStringLiteral("Select * from Acc_Accounting_Year"));
    EXPECT_EQ(rs.field(QStringLiteral("AccYearID")).typeId(), QMetaType::Int);
    EXPECT_EQ(rs.field(QStringLiteral("Acc_Yr_Start")).toDateTime(),
              QDateTime(QDate(2007, 4, 1), QTime(0, 0)));
    rs.close();
    rs = session.query(QStringLiteral("Select * from Acc_Opening"));
    EXPECT_EQ(rs.field(QStringLiteral("AccId")).typeId(), QMetaType::QString);
    // Money comes as a number.
    EXPECT_EQ(rs.field(QStringLiteral("Opening")).typeId(), QMetaType::Double);
    rs.close();
    rs = session.query(QStringLiteral("Select Sum(Amount) from Acc_transaction"));
    EXPECT_EQ(rs.field(0).typeId(), QMetaType::Double);
    rs.close();
    rs = session.procedure(QStringLiteral("sproc_GetServerDate"));
    EXPECT_EQ(rs.field(QStringLiteral("serverdate")).toDateTime(),
              QDateTime(QDate(2008, 4, 10), QTime(9, 30)));
}

TEST_F(TdsServerTest, NumberWrittenIntoADatetimeCountsFrom1900)
{
    Session session;
    session.open(Profile::connectionString(Profile::Id::Dosavine, server->serverName()));
    session.execute(QStringLiteral("Update Acc_Accounting_Year Set Acc_Yr_Start=39539 where "
                                   "AccYearID=1"));
    session.execute(
        QStringLiteral("Update Acc_Accounting_Year Set Acc_Yr_End='2009-03-31T00:00:00' "
                       "where AccYearID=1"));
    RecordSet year = session.query(QStringLiteral("Select * from Acc_Accounting_Year where "
                                                  "AccYearID=1"));
    EXPECT_EQ(year.field(QStringLiteral("Acc_Yr_Start")).toDateTime().date(), QDate(2008, 4, 3));
    EXPECT_EQ(year.field(QStringLiteral("Acc_Yr_End")).toDateTime().date(), QDate(2009, 3, 31));
    EXPECT_EQ(str(ledger
                      .value(QStringLiteral("SELECT Acc_Yr_Start FROM Acc_Accounting_Year "
                                            "WHERE AccYearID=1"))
                      .toString()),
              "2008-04-03 00:00:00");
}

TEST_F(TdsServerTest, SeveralStatementsInOneBatchGiveSeveralResults)
{
    {
        QSqlDatabase db = open(QStringLiteral("batch"));
        server->command(QStringLiteral("reset"));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        ASSERT_TRUE(query.exec(QStringLiteral("Select count(*) from Acc_Accounting_Year;"
                                              "Update Acc_Opening set Closing=0 where AccYearID=99;"
                                              "Select max(AccYearID) from Acc_Accounting_Year")))
            << str(query.lastError().text());
        // Each result as its rows' first values, or "-" for a statement
        // without rows.
        QStringList results;
        do {
            QStringList values;
            while (query.next())
                values.append(query.value(0).toString());
            results.append(query.isSelect() ? values.join(u',') : QStringLiteral("-"));
        } while (query.nextResult());
        EXPECT_EQ(results,
                  (QStringList{QStringLiteral("2"), QStringLiteral("-"), QStringLiteral("2")}));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("batch"));
    EXPECT_EQ(server->requests(), 1);
    EXPECT_EQ(server->statements(), 3);
}

TEST_F(TdsServerTest, TransactionsCommitRollBackAndEndWithTheConnection)
{
    const QByteArray before = ledger.bytes();
    {
        Session session;
        session.open(Profile::connectionString(Profile::Id::Dosavine, server->serverName()));
        session.beginTransaction();
        session.execute(QStringLiteral("Delete from Acc_Opening"));
        session.rollback();
        EXPECT_GT(
            session.query(QStringLiteral("Select count(*) from Acc_Opening")).field(0).toInt(), 0);
        EXPECT_EQ(ledger.bytes(), before);

        session.beginTransaction();
        session.execute(QStringLiteral("Delete from Acc_Opening where AccYearID=1"));
        // Left open when the connection goes.
    }
    server->command(QStringLiteral("disconnect"));
    EXPECT_EQ(ledger.bytes(), before);

    Session session;
    session.open(Profile::connectionString(Profile::Id::Dosavine, server->serverName()));
    session.beginTransaction();
    session.execute(QStringLiteral("Delete from Acc_Opening where AccYearID=1"));
    session.commit();
    EXPECT_EQ(
        ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Opening WHERE AccYearID=1")).toInt(),
        0);
}

// The driver's own ways: Qt's transaction calls become FreeTDS's
// transaction-manager requests, and implicit transactions end with a
// ROLLBACK or COMMIT statement.
TEST_F(TdsServerTest, DriverTransactionsAndImplicitOnes)
{
    const QByteArray before = ledger.bytes();
    const auto count = [this] {
        return ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Opening")).toInt();
    };
    const int rows = count();
    {
        QSqlDatabase db = open(QStringLiteral("driver"));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        ASSERT_TRUE(db.transaction());
        ASSERT_TRUE(query.exec(QStringLiteral("Delete from Acc_Opening")));
        ASSERT_TRUE(db.rollback()) << str(db.lastError().text());
        EXPECT_EQ(ledger.bytes(), before);

        ASSERT_TRUE(query.exec(QStringLiteral("SET IMPLICIT_TRANSACTIONS ON")));
        ASSERT_TRUE(query.exec(QStringLiteral("Delete from Acc_Opening")));
        ASSERT_TRUE(query.exec(QStringLiteral("ROLLBACK")));
        EXPECT_EQ(ledger.bytes(), before);
        ASSERT_TRUE(query.exec(QStringLiteral("Delete from Acc_Opening where AccYearID=1")));
        ASSERT_TRUE(query.exec(QStringLiteral("COMMIT")));
        const int afterImplicit = count();
        EXPECT_LT(afterImplicit, rows);
        ASSERT_TRUE(query.exec(QStringLiteral("SET IMPLICIT_TRANSACTIONS OFF")));

        ASSERT_TRUE(db.transaction());
        ASSERT_TRUE(query.exec(QStringLiteral("Delete from Acc_Opening")));
        ASSERT_TRUE(db.commit()) << str(db.lastError().text());
        EXPECT_EQ(count(), 0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("driver"));
}

TEST_F(TdsServerTest, CountsRequestsAndWaitsAsTold)
{
    Session session;
    session.open(Profile::connectionString(Profile::Id::Dosavine, server->serverName()));
    server->command(QStringLiteral("reset"));
    for (int i = 0; i < 3; ++i)
        session.query(QStringLiteral("Select 1"));
    EXPECT_EQ(server->requests(), 3);
    EXPECT_EQ(server->statements(), 3);

    // A delay per request, as a network's round trip adds.
    server->command(QStringLiteral("delay 50"));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 4; ++i)
        session.query(QStringLiteral("Select 1"));
    EXPECT_GE(clock.elapsed(), 4 * 50);
}

} // namespace
