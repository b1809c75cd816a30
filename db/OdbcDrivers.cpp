#include "db/OdbcDrivers.h"

#include <QDir>
#include <QFile>

QString OdbcDrivers::sqlServerDriver()
{
    static const QString driver = sqlServerDriverFrom(driverIniFiles());
    return driver;
}

QString OdbcDrivers::sqlServerDriverFrom(const QStringList& iniFiles)
{
    const QStringList preferred{QStringLiteral("ODBC Driver 18 for SQL Server"),
                                QStringLiteral("ODBC Driver 17 for SQL Server")};
    for (const QString& name : preferred) {
        for (const QString& file : iniFiles) {
            if (iniListsDriver(file, name))
                return name;
        }
    }
    return QStringLiteral("FreeTDS");
}

QStringList OdbcDrivers::driverIniFiles()
{
    // Where unixODBC looks: ODBCSYSINI names the folder, ODBCINSTINI the file.
    const QString folder = qEnvironmentVariableIsSet("ODBCSYSINI")
                               ? qEnvironmentVariable("ODBCSYSINI")
                               : QStringLiteral("/etc");
    const QString name = qEnvironmentVariableIsSet("ODBCINSTINI")
                             ? qEnvironmentVariable("ODBCINSTINI")
                             : QStringLiteral("odbcinst.ini");
    QStringList files{QDir(folder).filePath(name)};
    if (qEnvironmentVariableIsSet("HOME"))
        files.append(QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral(".odbcinst.ini")));
    return files;
}

bool OdbcDrivers::iniListsDriver(const QString& path, const QString& driver)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString header = u'[' + driver + u']';
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.compare(header, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
