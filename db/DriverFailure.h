#pragma once

#include "core/Failure.h"
#include "db/SqlDialect.h"

#include <QSqlError>
#include <QString>
#include <QStringList>

// Turns a driver's error into the program's Failure: the driver's number
// where it gives one, its text as the description. Opening a connection maps
// the numbers the connect command tests (a wrong or silent server, a refused
// login).
class DriverFailure
{
public:
    DriverFailure() = delete;

    // The number a failure carries when the driver gives none.
    static constexpr int Unspecified = -2147217900; // 0x80040E14
    // SQL Server's "The statement has been terminated.", which follows the
    // error that terminated it.
    static constexpr int StatementTerminated = 3621;
    // SQL Server's "Invalid object name": a table or view it does not have.
    static constexpr int InvalidObjectName = 208;

    // A failed statement or fetch.
    // ledgerFile names the embedded ledger, for a fault of the file itself
    // (read-only, disk full) to say which file and what to do.
    static Failure of(const QSqlError& error, SqlDialect::Kind kind,
                      const QString& ledgerFile = {});
    // A failed open of a SQL Server connection.
    static Failure atServerOpen(const QSqlError& error);
    // A failed open of an embedded ledger file; the file names the ledger in
    // the description.
    static Failure atFileOpen(const QSqlError& error, const QString& file);
    // An SQLite file without a table (an empty file is one): no ledger.
    static Failure holdsNoTables(const QString& file);
    // A ledger file whose path the SQLite ODBC driver cannot be given.
    static Failure unnamedToOdbc(const QString& file);

    // Whether a failure of SQL Server's road means the connection is gone
    // (the server stopped answering, or the link broke).
    static bool isConnectionLost(const QSqlError& error);
    // A COMMIT whose answer never came: the server may or may not have kept
    // the command.
    static Failure lostAtCommit(const QSqlError& error);

    // A write that the server refused on the ledger's own terms: a trigger
    // ended the transaction (3609, 3616) or raised an error of its own
    // (RAISERROR, THROW: 50000 and up). Such a failure names the table that
    // refused (of the statements that may have failed, those that write) and
    // says what the server said; any other comes back as it is.
    static Failure refusedWrite(const Failure& failure, const QStringList& statements);
    // A database whose collation matches names in their exact letter case
    // only.
    static Failure caseSensitiveNames(const QString& database, const QString& collation);
    // Whether a collation's names match in their exact letter case only
    // (_CS_ or _BIN in its name).
    static bool isCaseSensitive(const QString& collation);

    // A statement holding, at position at, a character the road cannot carry
    // to the ledger unchanged (SqlDialect::uncarriable).
    static Failure cannotCarry(const QString& sql, qsizetype at, SqlDialect::Kind kind);

    // The driver's native error number; 0 when there is none.
    static int nativeNumber(const QSqlError& error);
    // The driver's own text, or Qt's when the driver said nothing.
    static QString text(const QSqlError& error);
};
