#pragma once

#include "db/SqlDialect.h"

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QVariantList>

// One statement built from its fixed pieces and its values, in two forms:
// text(), the values written in as literals, which is what is logged and
// what SQL Server receives; and shape(), a placeholder for each value, which
// the embedded ledger prepares once and runs again with values(). The two
// read the same values as the same types, so either form gives the same
// rows and stores the same bits.
class SqlStatement
{
public:
    SqlStatement() = default;

    SqlStatement& append(QLatin1String piece);
    // A piece that is the same in both forms but not fixed text of the
    // program's (a name read from the database, NULL, a date literal).
    SqlStatement& raw(const QString& piece);
    // A text value: between single quotes in the text, its quotes doubled.
    SqlStatement& quoted(const QString& value);
    // A text for placing between single quotes: every single quote doubled,
    // so no cell text can change the statement around it.
    static QString quotedText(const QString& text);
    // The same between its single quotes: a text literal as it stands in SQL.
    static QString literal(const QString& text) { return u'\'' + quotedText(text) + u'\''; }
    // A number already written as plain number text (Numbers::numberText
    // or text checked to be a number): it goes into the text as it stands.
    SqlStatement& number(const QString& numberText);

    const QString& text() const noexcept { return m_text; }
    // The text as this road sends it: to SQL Server a quoted value with a
    // character its code page lacks goes as a Unicode literal (N'...'), so
    // an nvarchar column gets it whole; every other text stays as it is.
    QString textFor(SqlDialect::Kind kind) const;
    const QString& shape() const noexcept { return m_shape; }
    const QVariantList& values() const noexcept { return m_values; }

private:
    QString m_text;
    QString m_shape;
    QVariantList m_values;
    // Where in m_text the quoted values that need a Unicode literal open.
    QList<qsizetype> m_unicodeQuotes;
};
