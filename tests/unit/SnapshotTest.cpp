// Every write of a year-end command can be undone: a snapshot is kept right
// before its first writing statement, and restoring a snapshot puts both
// tables back exactly, on the embedded ledger and over SQL Server's wire.

#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotDiff.h"
#include "snapshots/SnapshotRestore.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QString kProfile = QStringLiteral("Dosavine");

QStringList dump(const LedgerFixture& ledger)
{
    return ledger.writtenTables();
}

class Snapshots : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("6"), QStringLiteral("--years"),
                      QStringLiteral("2"), QStringLiteral("--postings"), QStringLiteral("50"),
                      QStringLiteral("--first-year"), QStringLiteral("2006"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        server = road.serverName(ledger.folder());
        window.server = server;
    }

    SnapshotArchive::Ledger ledgerName() const
    {
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, server);
        return ArchiveLocation::ledgerOf(session, kProfile, server);
    }
    SnapshotArchive archive() const { return SnapshotArchive::of(ledgerName()); }
    int restore(int number, const Session::StatementHook& hook = {})
    {
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, server);
        const SnapshotArchive::Ledger ledgerName =
            ArchiveLocation::ledgerOf(session, kProfile, server);
        session.setBeforeStatement(hook);
        return SnapshotRestore::fromArchive(session, ledgerName, number);
    }
    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    QString server;
    WindowDriver window;
};

TEST_P(Snapshots, EveryWriteCanBeUndoneExactly)
{
    QList<QStringList> states{dump(ledger)};
    ASSERT_TRUE(window.connect()) << str(window.messages());
    ASSERT_TRUE(window.migrate()) << str(window.messages());
    states.append(dump(ledger));
    ASSERT_TRUE(window.createYear()) << str(window.messages());
    states.append(dump(ledger));
    ASSERT_TRUE(window.connect()) << str(window.messages());
    ASSERT_TRUE(window.migrate()) << str(window.messages());
    const QStringList last = dump(ledger);

    // One snapshot before each write, newest first, with who and what.
    const QList<SnapshotArchive::Record> records = archive().records();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(str(records[0].command), "Migrate Accounts");
    EXPECT_EQ(str(records[1].command), "Create Accounting Year");
    EXPECT_EQ(records[2].number, 1);
    EXPECT_EQ(records[2].server, server);
    EXPECT_EQ(records[2].user, SnapshotArchive::currentUser());
    EXPECT_FALSE(records[2].totals.isEmpty());
    EXPECT_TRUE(archive().verify().intact);

    // What the first migration changed shows against snapshot 1.
    {
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, server);
        const QList<SnapshotDiff::Change> changes =
            SnapshotDiff::between(archive().load(1), LedgerSnapshot::read(session));
        EXPECT_FALSE(changes.isEmpty());
        EXPECT_EQ(str(changes.first().table), "Acc_Accounting_Year"); // the created year
    }

    // Each snapshot in turn puts the ledger back as it was at that moment.
    for (int number = 1; number <= 3; ++number) {
        SCOPED_TRACE(number);
        const int kept = restore(number);
        EXPECT_EQ(dump(ledger), states[number - 1]);
        EXPECT_EQ(kept, 3 + number);
    }
    // And the restore itself can be undone: snapshot 4 holds the ledger as it
    // was before the first restore.
    restore(4);
    EXPECT_EQ(dump(ledger), last);
    EXPECT_TRUE(archive().verify().intact);
}

TEST_P(Snapshots, RestoreFailingAtAnyStatementChangesNothing)
{
    ASSERT_TRUE(window.connect());
    ASSERT_TRUE(window.migrate());
    // Sizes the restore: every statement it sends, snapshot reads included.
    int statements = 0;
    const QByteArray start = ledger.bytes();
    restore(1, [&](const QString&) { ++statements; });
    ASSERT_GT(statements, 5);
    ledger.execute(QStringLiteral("DELETE FROM Acc_Opening WHERE AccYearID=2"));
    const QByteArray before = ledger.bytes();
    (void)start;
    for (int failAt = 1; failAt <= statements; ++failAt) {
        SCOPED_TRACE(failAt);
        int sent = 0;
        try {
            restore(1, [&](const QString&) {
                if (++sent == failAt)
                    throw Failure(4711, QStringLiteral("injected"));
            });
            ADD_FAILURE() << "restored";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), 4711);
        }
        if (road.isTds())
            road.server().command(QStringLiteral("disconnect"));
        EXPECT_EQ(ledger.bytes(), before);
    }
}

TEST_P(Snapshots, NoSnapshotNoWrite)
{
    ASSERT_TRUE(window.connect());
    const QByteArray before = ledger.bytes();
    // Something stands where the archive's folder must go.
    const char* variable = LedgerFixture::dataFolderVariable();
    const QString data = qEnvironmentVariable(variable);
    const QString blocked = QDir(ledger.folder()).filePath(QStringLiteral("data"));
    QFile file(QDir(blocked).filePath(QStringLiteral("quillhaven")));
    ASSERT_TRUE(QDir().mkpath(blocked));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv(variable, blocked.toLocal8Bit());
    EXPECT_FALSE(window.migrate());
    EXPECT_FALSE(window.createYear());
    qputenv(variable, data.toLocal8Bit());
    ASSERT_EQ(window.sink.messages.size(), 1);
    EXPECT_TRUE(window.sink.messages[0].text.contains(QLatin1String("cannot be written")))
        << str(window.sink.messages[0].text);
    EXPECT_TRUE(
        window.sink.messages[0].text.contains(QLatin1String("Nothing was written to the ledger")));
    EXPECT_TRUE(window.sink.messages[0].text.contains(QDir::toNativeSeparators(blocked)));
    EXPECT_EQ(ledger.bytes(), before);
    EXPECT_TRUE(window.controls.migrateEnabled);
    EXPECT_TRUE(window.controls.createVisible);
}

// The archive is written while the command runs; when that fails late (here
// another program holds the archive's write lock past SQLite's wait), the
// command's writes are rolled back before anything is committed. It waits
// SQLite's five seconds for the lock first.
TEST_P(Snapshots, AnArchiveThatFailsMidCommandRollsItBack)
{
    ASSERT_TRUE(window.connect());
    ASSERT_TRUE(window.migrate());
    const QByteArray before = ledger.bytes();
    {
        QSqlDatabase holder =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("archive-holder"));
        holder.setDatabaseName(archive().path());
        ASSERT_TRUE(holder.open());
        QSqlQuery lock(holder);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        EXPECT_FALSE(window.migrate());
        // A year creation fails as late, after its rows were appended: the
        // list, the worksheet and the button are as they were, for a retry.
        const int years = window.context.accYears().rows();
        EXPECT_FALSE(window.createYear());
        EXPECT_EQ(window.context.accYears().rows(), years);
        EXPECT_TRUE(window.controls.createVisible);
        EXPECT_TRUE(window.controls.createEnabled);
        lock.exec(QStringLiteral("ROLLBACK"));
        holder.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("archive-holder"));
    ASSERT_EQ(window.sink.messages.size(), 1);
    EXPECT_TRUE(
        window.sink.messages[0].text.contains(QLatin1String("Nothing was written to the ledger")))
        << str(window.sink.messages[0].text);
    EXPECT_EQ(ledger.bytes(), before);
    EXPECT_EQ(archive().records().size(), 1);
    EXPECT_TRUE(archive().verify().intact);
}

TEST_P(Snapshots, ARestoreThatCannotFitIsRefused)
{
    ASSERT_TRUE(window.connect());
    ASSERT_TRUE(window.migrate());
    ledger.execute(
        QStringLiteral("ALTER TABLE Acc_Opening RENAME COLUMN Closing TO ClosingAmount"));
    const QByteArray before = ledger.bytes();
    try {
        restore(1);
        ADD_FAILURE() << "restored";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.description().contains(QLatin1String("no column Closing")))
            << str(failure.description());
    }
    EXPECT_EQ(ledger.bytes(), before);
}

std::string roadLabel(const ::testing::TestParamInfo<const char*>& road)
{
    return road.param;
}

INSTANTIATE_TEST_SUITE_P(Roads, Snapshots, ::testing::ValuesIn(LedgerRoad::names()), roadLabel);

// A damaged or foreign archive, a snapshot that is not there, and records
// removed or altered afterwards: each a clear failure or a broken chain.
class SnapshotArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("3"), QStringLiteral("--years"),
                      QStringLiteral("1"), QStringLiteral("--postings"), QStringLiteral("10")});
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, ledger.serverName());
        const LedgerSnapshot snapshot = LedgerSnapshot::read(session);
        for (int i = 0; i < 3; ++i)
            archive.add({}, snapshot);
    }
    std::string failureOf(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), Failure::FileAccess);
            return str(failure.description());
        }
        return "no failure";
    }

    LedgerFixture ledger;
    SnapshotArchive archive{QDir(ledger.folder()).filePath(QStringLiteral("archive.db"))};
};

TEST_F(SnapshotArchiveTest, BrokenChainShows)
{
    EXPECT_TRUE(archive.verify().intact);
    LedgerFixture::executeOn(archive.path(),
                             {QStringLiteral("UPDATE snapshots SET command='x' WHERE number=2")});
    EXPECT_EQ(str(archive.verify().problem), "snapshot 2 was altered");
    LedgerFixture::executeOn(archive.path(),
                             {QStringLiteral("DELETE FROM snapshots WHERE number=2")});
    EXPECT_EQ(str(archive.verify().problem), "snapshot 2 is missing");
    LedgerFixture::executeOn(archive.path(),
                             {QStringLiteral("UPDATE snapshots SET rows=x'00' WHERE number=3")});
    EXPECT_NE(failureOf([this] { archive.load(3); }).find("damaged"), std::string::npos);
    EXPECT_NE(failureOf([this] { archive.load(9); }).find("holds no snapshot 9"),
              std::string::npos);
}

TEST_F(SnapshotArchiveTest, DamagedOrForeignFilesAreRefused)
{
    QFile garbage(archive.path());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    EXPECT_NE(failureOf([this] { archive.records(); }).find("damaged or no SQLite file"),
              std::string::npos);
    const SnapshotArchive foreign(ledger.path());
    EXPECT_NE(failureOf([&] { foreign.records(); }).find("is no snapshot archive"),
              std::string::npos);
    EXPECT_NE(failureOf([&] {
                  SnapshotArchive(foreign).add({}, LedgerSnapshot());
              }).find("is no snapshot archive"),
              std::string::npos);
}

// The tool itself, as an operator runs it.
TEST(SnapshotsTool, ListsDiffsRestores)
{
    LedgerFixture ledger;
    ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                  QStringLiteral("--accounts"), QStringLiteral("4"), QStringLiteral("--years"),
                  QStringLiteral("2"), QStringLiteral("--server-date"),
                  QStringLiteral("2008-04-10T09:30")});
    WindowDriver window(ledger.serverName());
    ASSERT_TRUE(window.connect()) << str(window.messages());
    ASSERT_TRUE(window.migrate()) << str(window.messages());

    const auto tool = [&](const QStringList& command) {
        const LedgerFixture::ToolRun run = LedgerFixture::runProgram(
            QString::fromUtf8(QH_SNAPSHOTS_TOOL),
            QStringList{QStringLiteral("--profile"), QStringLiteral("dosavine"),
                        QStringLiteral("--server"), ledger.serverName()} +
                command);
        return std::pair{run.exitCode, run.output + run.errors};
    };
    auto [listed, listing] = tool({QStringLiteral("list")});
    EXPECT_EQ(listed, 0) << str(listing);
    EXPECT_TRUE(listing.contains(QLatin1String(": 1, chain intact"))) << str(listing);
    EXPECT_TRUE(listing.contains(QLatin1String("Migrate Accounts")));
    auto [diffed, diff] = tool({QStringLiteral("diff"), QStringLiteral("1")});
    EXPECT_EQ(diffed, 0) << str(diff);
    EXPECT_TRUE(diff.startsWith(QLatin1String("Snapshot 1 against the ledger now:"))) << str(diff);
    auto [restored, restoring] = tool({QStringLiteral("restore"), QStringLiteral("1")});
    EXPECT_EQ(restored, 0) << str(restoring);
    EXPECT_TRUE(restoring.contains(QLatin1String("snapshot 2"))) << str(restoring);
    auto [missing, refusal] = tool({QStringLiteral("restore"), QStringLiteral("7")});
    EXPECT_EQ(missing, 2);
    EXPECT_TRUE(refusal.contains(QLatin1String("holds no snapshot 7"))) << str(refusal);
}

} // namespace
