#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// The structure of a ledger file: the four tables of the business
// application, the server clock and the indexes. Text columns compare
// without regard to letter case, as SQL Server does under its default
// collation.
class LedgerSchema
{
public:
    // How the columns whose SQL Server type varies between ledgers are
    // declared: the years' start and end (day numbers or dates) and the
    // amounts (float, decimal or money).
    struct ColumnTypes
    {
        QString yearDate = QStringLiteral("REAL");
        QString amount = QStringLiteral("REAL");
        // AUTOINCREMENT marks the identity column (as the TDS test server
        // reads it); without it the rowid still gives the next number, as a
        // default from a sequence would.
        bool yearIdIdentity = true;
    };

    explicit LedgerSchema(const QSqlDatabase& database);

    // Settings for a fast one-off build: no journal, no syncing.
    void prepareForBuilding();
    void createTables(const ColumnTypes& types);
    // The clock view, reading the pinned moment from Sys_ServerClock, or the
    // live local clock when none is given.
    void createClock(const std::optional<QDateTime>& serverDate);
    // Indexes come after the data: building them once is far quicker than
    // keeping them up to date row by row.
    void createIndexes();
    // Back to the default rollback journal, which the crash tests rely on.
    void finishBuilding();

    // The text stored for a pinned clock: 'YYYY-MM-DD HH:MM:SS'.
    static QString clockText(const QDateTime& moment);

    static const char* const PostingsByDebitIndex;
    static const char* const PostingsByCreditIndex;
    static const char* const OpeningsByAccountIndex;

private:
    void run(const QString& sql);

    QSqlDatabase m_database;
};
