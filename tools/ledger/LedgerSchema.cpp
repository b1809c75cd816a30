#include "tools/ledger/LedgerSchema.h"

#include "core/Failure.h"

#include <QSqlError>
#include <QSqlQuery>

const char* const LedgerSchema::PostingsByDebitIndex = "IX_Acc_transaction_Dr_Account";
const char* const LedgerSchema::PostingsByCreditIndex = "IX_Acc_transaction_Cr_Account";
const char* const LedgerSchema::OpeningsByAccountIndex = "IX_Acc_Opening_AccId";

LedgerSchema::LedgerSchema(const QSqlDatabase& database) : m_database(database) {}

void LedgerSchema::run(const QString& sql)
{
    QSqlQuery query(m_database);
    if (!query.exec(sql))
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("%1 (%2)").arg(query.lastError().text(), sql));
}

void LedgerSchema::prepareForBuilding()
{
    run(QStringLiteral("PRAGMA journal_mode=OFF"));
    run(QStringLiteral("PRAGMA synchronous=OFF"));
    run(QStringLiteral("PRAGMA cache_size=-65536"));
}

void LedgerSchema::createTables(const ColumnTypes& types)
{
    run(QStringLiteral("CREATE TABLE Acc_Master("
                       "AccountID TEXT COLLATE NOCASE, "
                       "AccountName TEXT COLLATE NOCASE, "
                       "ParentID TEXT COLLATE NOCASE)"));
    run(QStringLiteral("CREATE TABLE Acc_Accounting_Year("
                       "AccYearID INTEGER PRIMARY KEY%2, "
                       "Acc_Yr_Start %1, "
                       "Acc_Yr_End %1, "
                       "Active INTEGER)")
            .arg(types.yearDate,
                 types.yearIdIdentity ? QStringLiteral(" AUTOINCREMENT") : QString()));
    run(QStringLiteral("CREATE TABLE Acc_transaction("
                       "TransID INTEGER PRIMARY KEY, "
                       "Amount %1, "
                       "Dr_Account TEXT COLLATE NOCASE, "
                       "Cr_Account TEXT COLLATE NOCASE, "
                       "Fin_Year_Id INTEGER)")
            .arg(types.amount));
    // No primary key: the application allows an account to hold several
    // openings for one year.
    run(QStringLiteral("CREATE TABLE Acc_Opening("
                       "AccId TEXT COLLATE NOCASE, "
                       "AccYearID INTEGER, "
                       "Opening %1, "
                       "OpeningType TEXT COLLATE NOCASE, "
                       "Closing %1, "
                       "ClosingType TEXT COLLATE NOCASE)")
            .arg(types.amount));
}

QString LedgerSchema::clockText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void LedgerSchema::createClock(const std::optional<QDateTime>& serverDate)
{
    // The table is there in both cases, so a test can pin a live ledger's
    // clock later by replacing the view.
    run(QStringLiteral("CREATE TABLE Sys_ServerClock(serverdate DATETIME)"));
    if (serverDate) {
        run(QStringLiteral("INSERT INTO Sys_ServerClock(serverdate) VALUES('%1')")
                .arg(clockText(*serverDate)));
        run(QStringLiteral("CREATE VIEW sproc_GetServerDate AS "
                           "SELECT serverdate FROM Sys_ServerClock"));
    } else {
        run(QStringLiteral("CREATE VIEW sproc_GetServerDate AS "
                           "SELECT datetime('now','localtime') AS serverdate"));
    }
}

void LedgerSchema::createIndexes()
{
    run(QStringLiteral("CREATE INDEX %1 ON Acc_transaction(Dr_Account, Fin_Year_Id)")
            .arg(QLatin1String(PostingsByDebitIndex)));
    run(QStringLiteral("CREATE INDEX %1 ON Acc_transaction(Cr_Account, Fin_Year_Id)")
            .arg(QLatin1String(PostingsByCreditIndex)));
    run(QStringLiteral("CREATE INDEX %1 ON Acc_Opening(AccId, AccYearID)")
            .arg(QLatin1String(OpeningsByAccountIndex)));
}

void LedgerSchema::finishBuilding()
{
    run(QStringLiteral("PRAGMA journal_mode=DELETE"));
    run(QStringLiteral("PRAGMA synchronous=FULL"));
}
