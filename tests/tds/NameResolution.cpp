#include "tests/tds/NameResolution.h"

#include "tests/tds/TableRules.h"

#include <QRegularExpression>

namespace {

// The statement's text outside its quoted texts, each of those blanked, so
// that a name inside a literal is never taken for one.
QString outsideQuotes(const QString& sql)
{
    QString text = sql;
    bool inQuote = false;
    for (QChar& c : text) {
        if (c == u'\'') {
            inQuote = !inQuote;
            continue;
        }
        if (inQuote)
            c = u' ';
    }
    return text;
}

StatementOutcome invalidObject(const QString& name)
{
    return StatementOutcome::error(208, QStringLiteral("Invalid object name '%1'.").arg(name));
}

} // namespace

NameResolution::NameResolution(const TableRules& rules, const QString& schema, bool caseSensitive)
    : m_rules(rules), m_schema(schema), m_caseSensitive(caseSensitive)
{
}

StatementOutcome NameResolution::resolve(QString& sql) const
{
    static const QRegularExpression master(
        QStringLiteral("\\bmaster\\s*\\.\\s*(?:dbo\\s*)?\\.\\s*(?=\\w)"),
        QRegularExpression::CaseInsensitiveOption);
    sql.replace(master, QStringLiteral("qh_master."));
    if (StatementOutcome refused = qualified(sql); refused.failed)
        return refused;
    return m_caseSensitive ? exactCase(sql) : StatementOutcome();
}

StatementOutcome NameResolution::qualified(QString& sql) const
{
    static const QRegularExpression name(
        QStringLiteral("(\\[[^\\]]+\\]|\\b\\w+)\\s*\\.\\s*(\\[[^\\]]+\\]|\\w+\\b)"));
    const QString text = outsideQuotes(sql);
    // Replaced from the end, so that the positions before stay true.
    QList<QRegularExpressionMatch> matches;
    for (auto it = name.globalMatch(text); it.hasNext();)
        matches.prepend(it.next());
    for (const QRegularExpressionMatch& m : matches) {
        const TableRules::Table* table = m_rules.find(m.captured(2));
        if (!table)
            continue;
        const QString schema = TableRules::bareName(m.captured(1));
        if (schema.compare(m_schema, Qt::CaseInsensitive) != 0)
            return invalidObject(schema + u'.' + TableRules::bareName(m.captured(2)));
        sql.replace(m.capturedStart(), m.capturedEnd(2) - m.capturedStart(), m.captured(2));
    }
    return {};
}

StatementOutcome NameResolution::exactCase(const QString& sql) const
{
    static const QRegularExpression word(QStringLiteral("\\[([^\\]]+)\\]|\\b([A-Za-z_]\\w*)\\b"));
    const QString text = outsideQuotes(sql);
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString used = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        if (const TableRules::Table* table = m_rules.find(used)) {
            if (table->name != used)
                return invalidObject(used);
            continue;
        }
        bool folded = false;
        bool exact = false;
        for (const TableRules::Table& table : m_rules.tables()) {
            for (const TableRules::Column& column : table.columns) {
                exact = exact || column.name == used;
                folded = folded || column.name.compare(used, Qt::CaseInsensitive) == 0;
            }
        }
        if (folded && !exact)
            return StatementOutcome::error(207,
                                           QStringLiteral("Invalid column name '%1'.").arg(used));
    }
    return {};
}
