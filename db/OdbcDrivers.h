#pragma once

#include <QString>
#include <QStringList>

// The ODBC driver for SQL Server, chosen from the drivers the driver manager
// lists (SQLDrivers): Microsoft's own where it is installed (18, then 17),
// else FreeTDS where it is listed, else the legacy "SQL Server" driver that
// every Windows has. The driver manager is asked, not its ini files: on
// Windows there are none, and under Wine its list is the host's.
class OdbcDrivers
{
public:
    static constexpr const char* Driver18 = "ODBC Driver 18 for SQL Server";
    static constexpr const char* Driver17 = "ODBC Driver 17 for SQL Server";
    static constexpr const char* FreeTds = "FreeTDS";
    static constexpr const char* Legacy = "SQL Server";

    // Asked once of the driver manager.
    static QString sqlServerDriver();
    // The choice among the drivers given; with none of them listed, the one
    // a platform can be expected to have (FreeTDS here, the legacy driver on
    // Windows).
    static QString choose(const QStringList& installed);
    // The drivers the driver manager lists; empty when it cannot be loaded.
    static QStringList installed();
};
