#include "db/OdbcDrivers.h"

#include <QLibrary>

#include <algorithm>
#include <iterator>

// Only the types and constants; the functions are resolved at run time, so
// that the core links nothing but Qt while the driver manager stays the
// platform's own (odbc32.dll, unixODBC's libodbc). Windows' ODBC headers
// take their types from windows.h.
#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace {

using AllocHandle = SQLRETURN(SQL_API*)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
using SetEnvAttr = SQLRETURN(SQL_API*)(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER);
using FreeHandle = SQLRETURN(SQL_API*)(SQLSMALLINT, SQLHANDLE);
// SQLDriversW: the ANSI one is a stub that aborts under Wine.
using Drivers = SQLRETURN(SQL_API*)(SQLHENV, SQLUSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*,
                                    SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);

bool listed(const QStringList& installed, const char* name)
{
    return installed.contains(QLatin1String(name), Qt::CaseInsensitive);
}

} // namespace

QString OdbcDrivers::sqlServerDriver()
{
    static const QString driver = choose(installed());
    return driver;
}

QString OdbcDrivers::choose(const QStringList& installed)
{
    for (const char* name : {Driver18, Driver17, FreeTds, Legacy}) {
        if (listed(installed, name))
            return QLatin1String(name);
    }
#ifdef Q_OS_WIN
    return QLatin1String(Legacy);
#else
    return QLatin1String(FreeTds);
#endif
}

QStringList OdbcDrivers::installed()
{
#ifdef Q_OS_WIN
    QLibrary manager(QStringLiteral("odbc32"));
#else
    QLibrary manager(QStringLiteral("odbc"), 2);
#endif
    const auto alloc = reinterpret_cast<AllocHandle>(manager.resolve("SQLAllocHandle"));
    const auto setAttr = reinterpret_cast<SetEnvAttr>(manager.resolve("SQLSetEnvAttr"));
    const auto free = reinterpret_cast<FreeHandle>(manager.resolve("SQLFreeHandle"));
    const auto drivers = reinterpret_cast<Drivers>(manager.resolve("SQLDriversW"));
    if (!alloc || !setAttr || !free || !drivers)
        return {};
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(alloc(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return {};
    setAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    QStringList names;
    SQLWCHAR name[256];
    SQLWCHAR attributes[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (
        SQL_SUCCEEDED(drivers(env, direction, name, SQLSMALLINT(std::size(name)), &nameLength,
                              attributes, SQLSMALLINT(std::size(attributes)), &attributesLength))) {
        static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager speaks UTF-16");
        names.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(name),
                                        std::min<qsizetype>(nameLength, std::size(name) - 1)));
        direction = SQL_FETCH_NEXT;
    }
    free(SQL_HANDLE_ENV, env);
    return names;
}
