#include "tests/unit/SmallLedger.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <stdexcept>

namespace {

std::atomic<int> g_connections{0};

[[noreturn]] void fail(const QString& what, const QSqlError& error)
{
    throw std::runtime_error((what + QStringLiteral(": ") + error.text()).toStdString());
}

} // namespace

SmallLedger::SmallLedger()
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
}

QString SmallLedger::file(const QString& catalog) const
{
    return QDir(m_dir.path()).filePath(catalog + QStringLiteral(".db"));
}

void SmallLedger::create(const QString& catalog) const
{
    execute(file(catalog),
            {QStringLiteral("CREATE TABLE Acc_Master (AccountID TEXT COLLATE NOCASE PRIMARY KEY, "
                            "AccountName TEXT COLLATE NOCASE, ParentID TEXT COLLATE NOCASE)"),
             QStringLiteral("CREATE TABLE Acc_Accounting_Year (AccYearID INTEGER PRIMARY KEY "
                            "AUTOINCREMENT, Acc_Yr_Start REAL, Acc_Yr_End REAL, Active INTEGER)"),
             QStringLiteral("CREATE TABLE Acc_transaction (Amount REAL, Dr_Account TEXT COLLATE "
                            "NOCASE, Cr_Account TEXT COLLATE NOCASE, Fin_Year_Id INTEGER)"),
             QStringLiteral("CREATE TABLE Acc_Opening (AccId TEXT COLLATE NOCASE, AccYearID "
                            "INTEGER, Opening REAL, OpeningType TEXT, Closing REAL, "
                            "ClosingType TEXT)"),
             QStringLiteral("CREATE VIEW sproc_GetServerDate AS SELECT 39538.75 AS serverdate"),
             QStringLiteral("INSERT INTO Acc_Master VALUES ('CASH', 'Cash in hand', 'A'), "
                            "('BANK', 'Bank', 'A'), ('SALES', 'Sales', 'I')"),
             QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (7, 39173, 39538, 1)"),
             QStringLiteral("INSERT INTO Acc_transaction VALUES (100.5, 'CASH', 'SALES', 7)"),
             QStringLiteral("INSERT INTO Acc_Opening VALUES ('CASH', 7, 250, 'D', NULL, NULL), "
                            "('BANK', 7, 0, NULL, NULL, NULL)")});
}

void SmallLedger::createGarbage(const QString& catalog) const
{
    QFile out(file(catalog));
    if (!out.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the garbage file");
    out.write(QByteArray(4096, 'x'));
}

void SmallLedger::execute(const QString& file, const QStringList& statements)
{
    const QString name = QStringLiteral("small-ledger-%1").arg(++g_connections);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            fail(file, db.lastError());
        db.transaction();
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            if (!query.exec(sql))
                fail(sql, query.lastError());
        }
        if (!db.commit())
            fail(QStringLiteral("commit"), db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QVariant SmallLedger::value(const QString& file, const QString& sql)
{
    const QString name = QStringLiteral("small-ledger-%1").arg(++g_connections);
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            fail(file, db.lastError());
        QSqlQuery query(db);
        if (!query.exec(sql))
            fail(sql, query.lastError());
        if (query.next())
            result = query.value(0);
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
