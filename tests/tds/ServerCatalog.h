#pragma once

#include <QDateTime>
#include <QString>

class LedgerDatabase;
struct sqlite3;

// What a server of a given version tells of its databases and their columns.
// Every version has the compatibility views (master..sysdatabases,
// syscolumns, COLUMNPROPERTY); SQL Server 2005 and later also have the
// catalog views sys.databases and sys.columns, which SQL Server 2000 lacks.
class ServerCatalog
{
public:
    // The versions the server can be: 2000, 2005, 2008 (R2), 2019, 2022.
    static bool isKnown(int version);
    // The TDS version its LOGINACK names, and its own version's four bytes
    // (major, minor, build high, build low).
    static quint32 tdsVersion(int version);
    static QByteArray productVersion(int version);
    // @@VERSION.
    static QString versionText(int version);

    static void install(LedgerDatabase& ledger, sqlite3* db, const QString& catalog, int id,
                        const QDateTime& born, int version);
};
