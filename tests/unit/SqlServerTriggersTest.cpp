// A "closed period" trigger, as vendors and DBAs put on ledger tables, that
// refuses every change: with RAISERROR alone, with RAISERROR and ROLLBACK,
// with THROW; its counts folded into the statement's answer as FreeTDS does,
// or each a result of its own as Microsoft's ODBC drivers give them. Create
// Accounting Year, Migrate Accounts and the snapshot restore are each
// refused, say which table refused and what the server said, and leave the
// ledger as it was.

#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotRestore.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/TdsServer.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QString kRefusal = QStringLiteral("The accounting period is closed");

struct Shape
{
    const char* name;
    const char* refusal; // the trigger's last statements
};

const Shape kShapes[] = {
    {"RaisError", "RAISERROR('The accounting period is closed.', 16, 1)"},
    {"RaisErrorAndRollback",
     "RAISERROR('The accounting period is closed.', 16, 1); ROLLBACK TRANSACTION"},
    {"Throw", "THROW 50001, 'The accounting period is closed.', 1"}};

class RefusingTrigger : public ::testing::TestWithParam<std::tuple<Shape, bool>>
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("8"), QStringLiteral("--years"),
                      QStringLiteral("3"), QStringLiteral("--postings"), QStringLiteral("90"),
                      QStringLiteral("--first-year"), QStringLiteral("2005"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        ledger.execute(QStringLiteral("CREATE TABLE Acc_Audit(Id INTEGER PRIMARY KEY "
                                      "AUTOINCREMENT, TableName TEXT, AccYearID INTEGER)"));
        server = std::make_unique<TdsServer>(ledger.folder());
        if (std::get<1>(GetParam()))
            server->command(QStringLiteral("triggercounts apart"));
    }

    // A trigger that first audits the change (a count before its refusal)
    // and then refuses it.
    void refuseOn(const QString& table)
    {
        define(QStringLiteral("CREATE TRIGGER trClosedPeriod ON %1 AFTER INSERT, UPDATE, DELETE "
                              "AS INSERT INTO Acc_Audit(TableName, AccYearID) SELECT '%1', "
                              "AccYearID FROM inserted; %2")
                   .arg(table, QLatin1String(std::get<0>(GetParam()).refusal)));
    }
    void define(const QString& batch)
    {
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, server->serverName());
        session.execute(batch);
    }
    QStringList tables() const
    {
        return ledger.writtenTables(QStringLiteral("AccYearID, AccId")) +
               QStringList{
                   ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Audit")).toString()};
    }
    void expectRefusal(const QString& message, const QString& table)
    {
        EXPECT_TRUE(message.contains(QStringLiteral("The server refused the change to ") + table))
            << str(message);
        EXPECT_TRUE(message.contains(kRefusal)) << str(message);
        EXPECT_TRUE(message.contains(QLatin1String("was kept: the ledger is as it was before")))
            << str(message);
    }

    LedgerFixture ledger;
    std::unique_ptr<TdsServer> server;
};

TEST_P(RefusingTrigger, EachCommandIsRefusedAndKeepsNothing)
{
    WindowDriver window(server->serverName());
    refuseOn(QStringLiteral("Acc_Accounting_Year"));
    ASSERT_TRUE(window.connect()) << str(window.messages());
    QStringList before = tables();
    EXPECT_FALSE(window.createYear());
    expectRefusal(window.messages(), QStringLiteral("Acc_Accounting_Year"));
    EXPECT_EQ(tables(), before);

    // With the year made, the trigger moves to the openings.
    define(QStringLiteral("DROP TRIGGER trClosedPeriod"));
    ASSERT_TRUE(window.connect()) << str(window.messages());
    ASSERT_TRUE(window.createYear()) << str(window.messages());
    refuseOn(QStringLiteral("Acc_Opening"));
    ASSERT_TRUE(window.connect()) << str(window.messages());
    before = tables();
    EXPECT_FALSE(window.migrate());
    expectRefusal(window.messages(), QStringLiteral("Acc_Opening"));
    EXPECT_EQ(tables(), before);

    Session session;
    Profile::connect(session, Profile::Id::Dosavine, server->serverName());
    try {
        SnapshotRestore::fromArchive(
            session,
            ArchiveLocation::ledgerOf(session, QStringLiteral("Dosavine"), server->serverName()),
            1);
        ADD_FAILURE() << "the restore went through the trigger";
    } catch (const Failure& failure) {
        expectRefusal(failure.description(), QStringLiteral("Acc_Opening"));
    }
    EXPECT_EQ(tables(), before);
}

INSTANTIATE_TEST_SUITE_P(Tds, RefusingTrigger,
                         ::testing::Combine(::testing::ValuesIn(kShapes), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<Shape, bool>>& param) {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) ? "CountedApart" : "Folded");
                         });

} // namespace
