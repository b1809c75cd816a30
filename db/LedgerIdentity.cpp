#include "db/LedgerIdentity.h"

#include "core/Failure.h"
#include "db/DriverFailure.h"
#include "db/RecordSet.h"
#include "db/Session.h"

#include <QDateTime>
#include <QStringList>

QString LedgerIdentity::of(Session& session)
{
    if (session.dialect().kind() == SqlDialect::Kind::Sqlite)
        return QStringLiteral("file:") + session.embeddedFile();
    RecordSet rs;
    try {
        rs = session.query(
            QStringLiteral("Select @@SERVERNAME as ServerName, DB_NAME() as DatabaseName, "
                           "database_id, create_date from sys.databases where "
                           "database_id=DB_ID()"));
    } catch (const Failure& failure) {
        // SQL Server 2000 has no catalog views, only the compatibility view
        // that every later version keeps too: the same id and date.
        if (failure.number() != DriverFailure::InvalidObjectName)
            throw;
        rs = session.query(
            QStringLiteral("Select @@SERVERNAME as ServerName, DB_NAME() as DatabaseName, "
                           "dbid, crdate from master..sysdatabases where dbid=DB_ID()"));
    }
    QStringList parts{QStringLiteral("sqlserver:")};
    if (!rs.eof()) {
        for (int c = 0; c < 4; ++c) {
            const QVariant value = rs.field(c);
            parts.append(value.typeId() == QMetaType::QDateTime
                             ? value.toDateTime().toString(Qt::ISODateWithMs)
                             : value.toString().toUpper());
        }
    }
    rs.close();
    return parts.join(u'/');
}
