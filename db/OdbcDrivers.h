#pragma once

#include <QString>
#include <QStringList>

// The ODBC driver for SQL Server, as unixODBC's driver lists name it:
// Microsoft's own where it is installed (18, then 17), else FreeTDS.
class OdbcDrivers
{
public:
    // Read once from the lists unixODBC reads (ODBCSYSINI/ODBCINSTINI or
    // /etc/odbcinst.ini, then ~/.odbcinst.ini).
    static QString sqlServerDriver();
    // The choice made from the given odbcinst.ini files.
    static QString sqlServerDriverFrom(const QStringList& iniFiles);

private:
    static QStringList driverIniFiles();
    static bool iniListsDriver(const QString& path, const QString& driver);
};
