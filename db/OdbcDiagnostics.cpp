#include "db/OdbcDiagnostics.h"

#include <QLibrary>
#include <QSqlQuery>
#include <QSqlResult>
#include <QVariant>
#include <iterator>

// Only the types and constants; the function is resolved at run time, as
// the driver list is (OdbcDrivers), from the driver manager Qt's driver uses.
#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace {

using GetDiagRec = SQLRETURN(SQL_API*)(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLWCHAR*, SQLINTEGER*,
                                       SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);

GetDiagRec diagnostics()
{
#ifdef Q_OS_WIN
    static QLibrary manager(QStringLiteral("odbc32"));
#else
    static QLibrary manager(QStringLiteral("odbc"), 2);
#endif
    static const auto function = reinterpret_cast<GetDiagRec>(manager.resolve("SQLGetDiagRecW"));
    return function;
}

QString fromOdbc(const SQLWCHAR* text, qsizetype length)
{
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager speaks UTF-16");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace

std::optional<OdbcDiagnostics::Record> OdbcDiagnostics::firstError(const QSqlQuery& query)
{
    // Qt's ODBC driver hands out its statement handle.
    if (!query.result())
        return std::nullopt;
    const QVariant handle = query.result()->handle();
    if (!handle.isValid() || handle.metaType().sizeOf() != qsizetype(sizeof(SQLHANDLE)))
        return std::nullopt;
    const SQLHANDLE statement = *static_cast<const SQLHANDLE*>(handle.constData());
    const GetDiagRec get = diagnostics();
    if (!get || !statement)
        return std::nullopt;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLWCHAR text[SQL_MAX_MESSAGE_LENGTH] = {};
        SQLINTEGER number = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN r = get(SQL_HANDLE_STMT, statement, i, state, &number, text,
                                SQLSMALLINT(std::size(text)), &length);
        if (!SQL_SUCCEEDED(r))
            return std::nullopt;
        Record record{int(number), fromOdbc(state, SQL_SQLSTATE_SIZE),
                      fromOdbc(text, qMin<qsizetype>(length, qsizetype(std::size(text)) - 1))};
        if (!record.state.startsWith(QLatin1String("01")))
            return record;
    }
}
