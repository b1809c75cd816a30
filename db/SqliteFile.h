#pragma once

#include <QSqlDatabase>
#include <QString>

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

private:
    QString m_name;
    QSqlDatabase m_db;
};
