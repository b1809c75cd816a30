#include "db/Session.h"
#include "core/Failure.h"
#include "db/DriverFailure.h"
#include "db/Profile.h"
#include "db/Transaction.h"
#include "tests/support/LedgerRoad.h"
#include "tests/unit/SmallLedger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtGlobal>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

QString dosavine(const QString& server)
{
    return Profile::connectionString(Profile::Id::Dosavine, server);
}

// Opens and expects a Failure; returns it (number 0 when none came).
Failure openFailure(Session& session, const QString& connectionString)
{
    try {
        session.open(connectionString);
    } catch (const Failure& failure) {
        return failure;
    }
    return Failure(0, QStringLiteral("no failure"));
}

// Qt warnings written while a test runs, so that a leaked connection shows.
QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.append(message);
}

} // namespace

// ---- The embedded ledger, natively and through the SQLite ODBC driver ----

class EmbeddedSession : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        g_warnings.clear();
        m_previousHandler = qInstallMessageHandler(collectWarnings);
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previousHandler);
        EXPECT_TRUE(g_warnings.isEmpty()) << str(g_warnings.join(u'\n'));
    }

    QString server(const QString& folder) const
    {
        return QString::fromUtf8(GetParam()) + u':' + folder;
    }
    void openLedger()
    {
        ledger.create();
        session.open(dosavine(server(ledger.folder())));
        session.setStatementLog(&log);
    }

    SmallLedger ledger;
    Session session;
    QStringList log;

private:
    QtMessageHandler m_previousHandler = nullptr;
};

TEST_P(EmbeddedSession, GoodLedgerOpens)
{
    openLedger();
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(session.dialect().kind(), SqlDialect::Kind::Sqlite);
    RecordSet rs = session.query(QStringLiteral("Select count(*) AS n from Acc_Master"));
    EXPECT_EQ(rs.field(0).toInt(), SmallLedger::MasterRows);
}

TEST_P(EmbeddedSession, MissingFileOrFolderIsAWrongServerName)
{
    const QString noFolder = QDir(ledger.folder()).filePath(QStringLiteral("gone"));
    struct Case
    {
        const char* label;
        QString folder;
        QString neverCreated;
    };
    const Case cases[] = {
        {"missing file", ledger.folder(), ledger.file()},
        {"missing folder", noFolder, noFolder},
        {"no folder", QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const Failure failure = openFailure(session, dosavine(server(c.folder)));
        EXPECT_EQ(failure.number(), Failure::E_FAIL) << str(failure.description());
        EXPECT_FALSE(failure.description().isEmpty());
        EXPECT_FALSE(session.isOpen());
        if (!c.neverCreated.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(c.neverCreated));
        }
    }
    // A folder where the file should be is no ledger either.
    ASSERT_TRUE(QDir(ledger.folder()).mkdir(QStringLiteral("Dosavine.db")));
    EXPECT_EQ(openFailure(session, dosavine(server(ledger.folder()))).number(), Failure::E_FAIL);
}

TEST_P(EmbeddedSession, FileThatIsNoDatabaseFailsAtOpenWithItsOwnNumber)
{
    ledger.createGarbage();
    const Failure failure = openFailure(session, dosavine(server(ledger.folder())));
    EXPECT_NE(failure.number(), 0);
    EXPECT_NE(failure.number(), Failure::E_FAIL);
    EXPECT_TRUE(failure.description().contains(QLatin1String("not a database")))
        << str(failure.description());
    EXPECT_TRUE(failure.description().contains(ledger.file())) << str(failure.description());
    EXPECT_FALSE(session.isOpen());
}

TEST_P(EmbeddedSession, UnusualFolderNames)
{
    const bool viaOdbc = QString::fromUtf8(GetParam()) == QLatin1String("sqliteodbc");
    for (const char* name :
         {"with space", "hash#and?query", "per%41cent", "brace{}=", "semi;colon"}) {
        SCOPED_TRACE(name);
#ifdef Q_OS_WIN
        if (std::strchr(name, '?'))
            continue; // no Windows file name holds a question mark
#endif
        const QString folder = QDir(ledger.folder()).filePath(QString::fromUtf8(name));
        ASSERT_TRUE(QDir().mkpath(folder));
        SmallLedger::execute(QDir(folder).filePath(QStringLiteral("Dosavine.db")),
                             {QStringLiteral("CREATE TABLE t (a)")});
        Session fresh;
        const bool semicolon = folder.contains(u';');
        if (viaOdbc && semicolon) {
            EXPECT_EQ(openFailure(fresh, dosavine(server(folder))).number(), Failure::E_FAIL);
            continue;
        }
        fresh.open(dosavine(server(folder)));
        fresh.execute(QStringLiteral("INSERT INTO t VALUES (1)"));
        EXPECT_EQ(SmallLedger::value(QDir(folder).filePath(QStringLiteral("Dosavine.db")),
                                     QStringLiteral("SELECT count(*) FROM t"))
                      .toInt(),
                  1);
    }
}

TEST_P(EmbeddedSession, ColumnsIgnoreLetterCaseAndNullComesThrough)
{
    openLedger();
    RecordSet years = session.query(QStringLiteral("Select * from Acc_Accounting_Year"));
    ASSERT_FALSE(years.eof());
    EXPECT_EQ(years.field(QStringLiteral("Acc_yr_End")).toDouble(), 39538.0);
    EXPECT_EQ(years.field(QStringLiteral("AccYearId")).toInt(), 7);
    EXPECT_EQ(years.field(QStringLiteral("ACTIVE")).toInt(), 1);
    EXPECT_EQ(years.field(3).toInt(), 1);
    years.moveNext();
    EXPECT_TRUE(years.eof());
    years.close();
    EXPECT_FALSE(years.isOpen());

    RecordSet openings = session.query(
        QStringLiteral("Select * From Acc_opening Where AccID='bank'and AccYearID=7"));
    ASSERT_FALSE(openings.eof());
    const QVariant side = openings.field(QStringLiteral("OpeningTYpe"));
    EXPECT_TRUE(side.isNull());
    EXPECT_TRUE(openings.field(QStringLiteral("closing")).isNull());
    EXPECT_FALSE(openings.field(QStringLiteral("Opening")).isNull());
}

TEST_P(EmbeddedSession, LookupFailures)
{
    openLedger();
    RecordSet rs = session.query(QStringLiteral("Select AccountID from Acc_Master order by 1"));
    const auto numberOf = [](auto&& call) {
        try {
            call();
        } catch (const Failure& failure) {
            return failure.number();
        }
        return 0;
    };
    EXPECT_EQ(numberOf([&] { rs.field(QStringLiteral("AccountName")); }), RecordSet::ItemNotFound);
    EXPECT_EQ(numberOf([&] { rs.field(1); }), RecordSet::ItemNotFound);
    EXPECT_EQ(numberOf([&] { rs.field(-1); }), RecordSet::ItemNotFound);
    int rows = 0;
    while (!rs.eof()) {
        ++rows;
        rs.moveNext();
    }
    EXPECT_EQ(rows, SmallLedger::MasterRows);
    EXPECT_EQ(numberOf([&] { rs.field(0); }), RecordSet::NoCurrentRow);
    EXPECT_EQ(numberOf([&] { rs.moveNext(); }), RecordSet::NoCurrentRow);

    RecordSet none = session.query(QStringLiteral("Select * from Acc_Master where 1=0"));
    EXPECT_TRUE(none.eof());
}

TEST_P(EmbeddedSession, ProcedureRunsTheViewAndLogsTheBareName)
{
    openLedger();
    RecordSet rs = session.procedure(QStringLiteral("sproc_GetServerDate"));
    ASSERT_FALSE(rs.eof());
    EXPECT_DOUBLE_EQ(rs.field(QStringLiteral("ServerDate")).toDouble(), SmallLedger::ServerDate);
    EXPECT_EQ(log, QStringList{QStringLiteral("sproc_GetServerDate")});
}

TEST_P(EmbeddedSession, StatementLogKeepsTheOrderAndLeavesTransactionsOut)
{
    openLedger();
    const QStringList sent{
        QStringLiteral("Select * from Acc_Master"),
        QStringLiteral("Delete from Acc_Opening where AccId='BANK'"),
        QStringLiteral("sproc_GetServerDate"),
        QStringLiteral("INSERT INTO Acc_Opening VALUES ('BANK', 7, 1, 'C', NULL, NULL)"),
        QStringLiteral("Update NoSuchTable set a=1"),
    };
    session.query(sent[0]);
    session.beginTransaction();
    session.execute(sent[1]);
    session.procedure(sent[2]);
    session.execute(sent[3]);
    session.commit();
    EXPECT_THROW(session.execute(sent[4]), Failure);
    // A failing statement is logged too: it was sent.
    EXPECT_EQ(log, sent);
}

TEST_P(EmbeddedSession, HookRunsBeforeEachStatementAndCanStopIt)
{
    openLedger();
    QStringList seen;
    session.setBeforeStatement([&](const QString& sql) {
        seen.append(sql);
        if (sql.startsWith(QLatin1String("Delete")))
            throw Failure(77, QStringLiteral("refused"));
    });
    session.query(QStringLiteral("Select * from Acc_Master"));
    EXPECT_THROW(session.execute(QStringLiteral("Delete from Acc_Master")), Failure);
    EXPECT_EQ(seen.size(), 2);
    EXPECT_EQ(log.size(), 1); // the refused statement was never sent
    EXPECT_EQ(SmallLedger::value(ledger.file(), QStringLiteral("SELECT count(*) FROM Acc_Master"))
                  .toInt(),
              SmallLedger::MasterRows);
}

TEST_P(EmbeddedSession, FailedStatementCarriesTheDriversNumberAndText)
{
    openLedger();
    try {
        session.query(QStringLiteral("Select * from NoSuchTable"));
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_NE(failure.number(), 0);
        EXPECT_NE(failure.number(), Failure::E_FAIL);
        EXPECT_TRUE(failure.description().contains(QLatin1String("no such table")))
            << str(failure.description());
    }
    // The session stays usable.
    EXPECT_FALSE(session.query(QStringLiteral("Select * from Acc_Master")).eof());
}

TEST_P(EmbeddedSession, RollbackLeavesTheDataUnchanged)
{
    openLedger();
    const QString count = QStringLiteral("SELECT count(*) FROM Acc_Opening");
    session.beginTransaction();
    EXPECT_TRUE(session.inTransaction());
    session.execute(QStringLiteral("Delete from Acc_Opening"));
    EXPECT_TRUE(session.query(count).field(0).toInt() == 0);
    session.rollback();
    EXPECT_FALSE(session.inTransaction());
    EXPECT_EQ(session.query(count).field(0).toInt(), 2);
    EXPECT_EQ(SmallLedger::value(ledger.file(), count).toInt(), 2);
    session.rollback(); // nothing to undo: still no failure

    session.beginTransaction();
    session.execute(QStringLiteral("Delete from Acc_Opening"));
    session.commit();
    EXPECT_EQ(SmallLedger::value(ledger.file(), count).toInt(), 0);
}

// Whether a failed write says that nothing was kept goes by what failed, not
// by its number: SQLite's 13 (the disk is full) is no conversion of ours,
// and a driver's 75 no file of ours.
TEST_P(EmbeddedSession, AFailedWriteSaysNothingWasKeptWhateverItsNumber)
{
    openLedger();
    for (const int number : {Failure::TypeMismatch, Failure::FileAccess, Failure::CannotCarry}) {
        Transaction write(session, Session::Intent::Write);
        const Failure undone = write.undo(Failure(number, QStringLiteral("disk full")),
                                          QStringLiteral("Migrate Accounts"));
        EXPECT_EQ(undone.number(), number);
        EXPECT_TRUE(undone.description().endsWith(QLatin1String(
            "Nothing of Migrate Accounts was kept: the ledger is as it was before.")))
            << undone.description().toStdString();
        EXPECT_FALSE(session.inTransaction());
    }
    // A snapshot of ours that could not be kept says so itself.
    Transaction write(session, Session::Intent::Write);
    const Failure own(Failure::FileAccess, QStringLiteral("The snapshot archive x cannot be "
                                                          "written"),
                      Failure::Kind::OwnFile);
    EXPECT_EQ(write.undo(own, QStringLiteral("Migrate Accounts")).description(),
              own.description());
}

// Another program holds the ledger locked: the write waits for the lock as
// long as the session allows and then fails, saying why.
TEST_P(EmbeddedSession, BusyLedgerFailsAfterWaiting)
{
    openLedger();
    const QString holder = QStringLiteral("busy-holder");
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
        other.setDatabaseName(ledger.file());
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE"))) << str(lock.lastError().text());

        session.beginTransaction();
        try {
            session.execute(QStringLiteral("Update Acc_Master set AccountName='x'"));
            ADD_FAILURE() << "the write did not wait for the lock";
        } catch (const Failure& failure) {
            EXPECT_NE(failure.number(), Failure::E_FAIL);
            EXPECT_TRUE(failure.description().contains(QLatin1String("locked")))
                << str(failure.description());
        }
        session.rollback();
        EXPECT_FALSE(session.inTransaction());
        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
        lock.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(holder);
    // Once the lock is gone the same session writes.
    session.execute(QStringLiteral("Update Acc_Master set AccountName='x' where AccountID='CASH'"));
    EXPECT_EQ(str(SmallLedger::value(ledger.file(),
                                     QStringLiteral("SELECT AccountName FROM Acc_Master WHERE "
                                                    "AccountID='CASH'"))
                      .toString()),
              "x");
}

TEST_P(EmbeddedSession, ReopenAndReleaseLeaveNoConnectionBehind)
{
    openLedger();
    const QStringList before = QSqlDatabase::connectionNames();
    {
        Session other;
        other.open(dosavine(server(ledger.folder())));
        RecordSet rs = other.query(QStringLiteral("Select * from Acc_Master"));
        rs.close();
        other.open(dosavine(server(ledger.folder())));
        EXPECT_TRUE(other.isOpen());
        EXPECT_EQ(QSqlDatabase::connectionNames().size(), before.size() + 1);
    }
    EXPECT_EQ(QSqlDatabase::connectionNames(), before);
}

INSTANTIATE_TEST_SUITE_P(Drivers, EmbeddedSession,
                         ::testing::ValuesIn(LedgerRoad::names({"sqlite", "sqliteodbc"})),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return std::string(param.param);
                         });

// ---- An unopened session ----

TEST(UnopenedSession, EveryCallSaysThereIsNoConnection)
{
    Session session;
    EXPECT_FALSE(session.isOpen());
    const auto expectNotReady = [](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), Failure::NotReady);
            EXPECT_TRUE(failure.description().contains(QLatin1String("no open connection")))
                << str(failure.description());
        }
    };
    QStringList log;
    session.setStatementLog(&log);
    expectNotReady([&] { session.execute(QStringLiteral("Delete from Acc_Opening")); });
    expectNotReady([&] { session.query(QStringLiteral("Select 1")); });
    expectNotReady([&] { session.procedure(QStringLiteral("sproc_GetServerDate")); });
    expectNotReady([&] { session.beginTransaction(); });
    expectNotReady([&] { session.commit(); });
    expectNotReady([&] { session.dialect(); });
    session.rollback();
    EXPECT_TRUE(log.isEmpty());
}

TEST(SqlDialect, ProcedureSource)
{
    EXPECT_EQ(str(SqlDialect(SqlDialect::Kind::SqlServer).procedureSource(QStringLiteral("p"))),
              "p");
    EXPECT_EQ(str(SqlDialect(SqlDialect::Kind::Sqlite).procedureSource(QStringLiteral("p"))),
              "SELECT * FROM p");
}

namespace {

// What SQLite says of a file it cannot write comes with the file's name,
// that nothing was changed, and what to do; other failures stay as they are.
TEST(DriverFailure, LedgerFileFaultsNameTheFileAndWhatToDo)
{
    const QString file = QStringLiteral("/srv/ledgers/Dosavine.db");
    const struct
    {
        const char* text;
        const char* code;
        const char* says;
    } faults[] = {{"attempt to write a readonly database", "8", "cannot be written"},
                  {"database or disk is full", "13", "is full"},
                  {"disk I/O error", "522", "could not be read or written"}};
    for (const auto& fault : faults) {
        const QSqlError error(QString(), QString::fromLatin1(fault.text), QSqlError::StatementError,
                              QString::fromLatin1(fault.code));
        const Failure failure = DriverFailure::of(error, SqlDialect::Kind::Sqlite, file);
        EXPECT_TRUE(failure.description().contains(QDir::toNativeSeparators(file))) << fault.text;
        EXPECT_TRUE(failure.description().contains(QLatin1String(fault.says))) << fault.text;
        EXPECT_TRUE(failure.description().contains(QLatin1String("Nothing was changed")))
            << fault.text;
        EXPECT_TRUE(failure.description().contains(QLatin1String(fault.text))) << fault.text;
    }
    const QSqlError other(QString(), QStringLiteral("no such table: Acc_Master"),
                          QSqlError::StatementError, QStringLiteral("1"));
    EXPECT_EQ(DriverFailure::of(other, SqlDialect::Kind::Sqlite, file).description(),
              QStringLiteral("no such table: Acc_Master"));
}

} // namespace
