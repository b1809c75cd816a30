#pragma once

#include "core/Failure.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

// A connection of its own to an SQLite file (the snapshot archive, a ledger
// file the ledger tool builds or a test reads), for as long as the object
// lives: uniquely named, closed and removed at the end whatever happened.
// A writer waits its turn behind another program's write, as the session
// does.
class SqliteFile
{
public:
    enum class Mode
    {
        ReadOnly,
        ReadWrite // the file is made if it is not there
    };

    SqliteFile(const QString& path, Mode mode);
    ~SqliteFile();
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // False with the driver's text in error() when the file cannot be opened.
    bool open();
    QString error() const;
    QSqlDatabase& db() { return m_db; }

    // The checks a ledger file passes before a driver may open it, since
    // either driver would make a missing one: a failure (Failure::E_FAIL)
    // that names what is wrong with the folder or the file.
    static void checkLedger(const QString& file);
    // An SQLite URI that opens the file only if it exists: "mode=rw" never
    // makes it, even when someone removes it between the check and the open.
    static QString noCreateUri(const QString& file);
    // Neither driver reads the file before the first statement, so a file
    // that is no SQLite ledger is found by reading it: its failure, if any.
    static std::optional<Failure> probeLedger(QSqlDatabase& db, const QString& file);

private:
    QString m_name;
    QSqlDatabase m_db;
};
