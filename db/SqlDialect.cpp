#include "db/SqlDialect.h"

QString SqlDialect::procedureSource(const QString& name) const
{
    if (m_kind == Kind::SqlServer)
        return name;
    return QStringLiteral("SELECT * FROM ") + name;
}
