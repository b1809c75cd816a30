#include "db/TableColumns.h"

#include "db/RecordSet.h"
#include "db/Session.h"

TableColumns TableColumns::of(Session& session, const QString& table)
{
    TableColumns result;
    for (RecordSet rs = session.query(session.dialect().columnsQuery(table)); !rs.eof();
         rs.moveNext()) {
        Column column;
        column.name = rs.field(0).toString();
        if (rs.field(1).toInt() != 0)
            column.kind = Kind::Identity;
        else if (rs.field(2).toInt() != 0)
            column.kind = Kind::Generated;
        result.m_columns.append(column);
    }
    return result;
}

TableColumns::Kind TableColumns::kindOf(const QString& name) const
{
    for (const Column& column : m_columns) {
        if (column.name.compare(name, Qt::CaseInsensitive) == 0)
            return column.kind;
    }
    return Kind::Plain;
}
