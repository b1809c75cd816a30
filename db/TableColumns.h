#pragma once

#include <QList>
#include <QString>

class Session;

// A table's columns as the database keeps them: which one is an identity
// (SQL Server takes a value for it only under SET IDENTITY_INSERT) and
// which the database fills itself and never takes a value for (a rowversion,
// a computed or generated column). One query.
class TableColumns
{
public:
    enum class Kind
    {
        Plain,
        Identity,
        Generated
    };
    struct Column
    {
        QString name;
        Kind kind = Kind::Plain;
    };

    static TableColumns of(Session& session, const QString& table);

    const QList<Column>& columns() const noexcept { return m_columns; }
    // The kind of a column named so (letter case aside); Plain for a name
    // the table does not have.
    Kind kindOf(const QString& name) const;

private:
    QList<Column> m_columns;
};
