#pragma once

#include <QList>
#include <QPair>
#include <QString>

// An OLE DB style connection string ("Key=Value;Key=Value"), as the two
// database profiles give it, and its translation into what Qt's drivers take.
class ConnectionString
{
public:
    explicit ConnectionString(const QString& text);

    // The value of a key, matched without regard to letter case ("Initial
    // catalog" and "Initial Catalog" are the same key). Empty when missing.
    QString value(const QString& key) const;

    QString server() const { return value(QStringLiteral("Data Source")); }
    QString catalog() const { return value(QStringLiteral("Initial Catalog")); }
    QString user() const { return value(QStringLiteral("User ID")); }
    QString password() const { return value(QStringLiteral("Password")); }

    // "sqlite:FOLDER" (native driver) or "sqliteodbc:FOLDER" (through the
    // SQLite ODBC driver) names the embedded ledger FOLDER/<catalog>.db.
    bool isEmbedded() const;
    // Whether a server name as typed names an embedded ledger's folder.
    static bool isEmbeddedName(const QString& server);
    bool isEmbeddedViaOdbc() const;
    // The folder after the scheme, as typed; empty when not embedded.
    QString embeddedFolder() const;
    // FOLDER/<catalog>.db as an absolute, clean path; empty when not embedded
    // or when no folder is given.
    QString embeddedFile() const;

    // An ODBC connection string for SQL Server with the given driver name,
    // the server name taken apart (ServerName) into what the driver takes:
    // FreeTDS a host with a port or an instance, Microsoft's driver
    // "tcp:HOST,PORT" or "HOST\INSTANCE". Every value is brace-quoted, so no
    // value can add keys of its own. Empty when the server name cannot be
    // read. FreeTDS also gets how long a request may wait for its answer:
    // the request time-out, but longer than a lock wait may last (the lock
    // time-out, 0 for none), so that a lock wait ends with SQL Server's own
    // error. Both drivers encrypt what the server asks to be encrypted (the
    // login at least, on a server with a certificate; everything, on one
    // that forces encryption) and trust its certificate, as the old provider
    // did.
    QString odbcForSqlServer(const QString& driver, int queryTimeoutSeconds = 30,
                             int lockTimeoutSeconds = 30) const;
    // An ODBC connection string for the embedded ledger through the SQLite
    // ODBC driver ("SQLite3"). That driver reads a value up to the next ";"
    // and takes braces literally, so the file name goes in unquoted and a
    // path holding ";" cannot be expressed: the result is empty then.
    QString odbcForSqlite() const;

    // Brace-quotes one ODBC value: {value}, with "}" doubled.
    static QString braceQuoted(const QString& value);

private:
    QList<QPair<QString, QString>> m_pairs;
};
