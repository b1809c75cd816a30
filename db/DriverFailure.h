#pragma once

#include "core/Failure.h"
#include "db/SqlDialect.h"

#include <QSqlError>
#include <QString>

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

    // Whether a failure of SQL Server's road means the connection is gone
    // (the server stopped answering, or the link broke).
    static bool isConnectionLost(const QSqlError& error);
    // A COMMIT whose answer never came: the server may or may not have kept
    // the command.
    static Failure lostAtCommit(const QSqlError& error);

    // A statement holding, at position at, a character the road cannot carry
    // to the ledger unchanged (SqlDialect::uncarriable).
    static Failure cannotCarry(const QString& sql, qsizetype at, SqlDialect::Kind kind);

    // The driver's native error number; 0 when there is none.
    static int nativeNumber(const QSqlError& error);
    // The driver's own text, or Qt's when the driver said nothing.
    static QString text(const QSqlError& error);
};
