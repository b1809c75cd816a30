#pragma once

#include "tests/support/TdsServer.h"

#include <QString>
#include <initializer_list>
#include <memory>
#include <vector>

// The roads to a ledger that the end-to-end tests travel: the embedded
// ledger through Qt's SQLite driver ("sqlite"), the same file through the
// SQLite ODBC driver ("sqliteodbc"), and SQL Server's wire protocol through
// Qt's ODBC driver, unixODBC and FreeTDS to the TDS test server ("tds"),
// which is also set up as a database with READ_COMMITTED_SNAPSHOT on
// ("tdsrowversioning") for the tests of two operators.
class LedgerRoad
{
public:
    explicit LedgerRoad(const QString& name) : m_name(name) {}

    // Whether this build can travel the road. A Windows build has no SQLite
    // ODBC driver of its own, and the host's, to which Wine hands its ODBC
    // calls, cannot open a Windows path: it has the embedded road and SQL
    // Server's wire only.
    static bool isAvailable(const QString& name);
    // Of the roads named, those this build can travel, in the same order.
    static std::vector<const char*> names(std::initializer_list<const char*> wanted = {
                                              "sqlite", "sqliteodbc", "tds"});

    const QString& name() const { return m_name; }
    bool isTds() const { return m_name.startsWith(QLatin1String("tds")); }
    bool isOdbc() const { return m_name != QLatin1String("sqlite"); }

    // The server name an operator types for the ledgers of a folder. On the
    // TDS road the first call starts the test server over that folder; it
    // stops with this object.
    QString serverName(const QString& folder);
    // The TDS road's server, once started.
    TdsServer& server();

private:
    QString m_name;
    std::unique_ptr<TdsServer> m_server;
};
