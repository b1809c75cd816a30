#include "tests/tds/TableRules.h"

#include <QRegularExpression>

namespace {

QRegularExpression pattern(const char* text)
{
    return QRegularExpression(QString::fromLatin1(text),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

// The pieces of a list at its commas outside quotes and parentheses; with
// stopAtWhere, the list ends at a WHERE outside them.
QStringList topLevelPieces(const QString& text, bool stopAtWhere)
{
    QStringList pieces;
    QString piece;
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'') {
            const qsizetype end = text.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? text.size() : end + 1;
            piece += text.mid(i, stop - i);
            i = stop - 1;
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        if (depth == 0 && c == u',') {
            pieces.append(piece.trimmed());
            piece.clear();
            continue;
        }
        if (stopAtWhere && depth == 0 && (i == 0 || !text[i - 1].isLetterOrNumber()) &&
            text.mid(i, 5).compare(QLatin1String("where"), Qt::CaseInsensitive) == 0 &&
            (i + 5 >= text.size() || !text[i + 5].isLetterOrNumber()))
            break;
        piece += c;
    }
    if (!piece.trimmed().isEmpty())
        pieces.append(piece.trimmed());
    return pieces;
}

const TableRules::Column* columnNamed(const TableRules::Table& table, const QString& name)
{
    const QString bare = TableRules::bareName(name);
    for (const TableRules::Column& column : table.columns) {
        if (column.name.compare(bare, Qt::CaseInsensitive) == 0)
            return &column;
    }
    return nullptr;
}

StatementOutcome computedColumn(const QString& name)
{
    return StatementOutcome::error(271,
                                   QStringLiteral("The column \"%1\" cannot be modified because "
                                                  "it is either a computed column or is the "
                                                  "result of a UNION operator.")
                                       .arg(name),
                                   false);
}

} // namespace

const TableRules::Column* TableRules::Table::identity() const
{
    for (const Column& column : columns) {
        if (column.identity)
            return &column;
    }
    return nullptr;
}

QString TableRules::bareName(const QString& name)
{
    QString bare = name.trimmed().section(u'.', -1);
    if (bare.size() >= 2 && (bare.front() == u'[' || bare.front() == u'"'))
        bare = bare.mid(1, bare.size() - 2);
    return bare;
}

int TableRules::systemTypeId(const QString& declared)
{
    const QString type = declared.trimmed().toUpper();
    if (type == QLatin1String("ROWVERSION") || type == QLatin1String("TIMESTAMP"))
        return 189;
    const struct
    {
        const char* word;
        int id;
    } kinds[] = {{"MONEY", 60}, {"DECIMAL", 106}, {"NUMERIC", 108}, {"DATE", 61},
                 {"TIME", 61},  {"BIGINT", 127},  {"INT", 56},      {"REAL", 62},
                 {"FLOA", 62},  {"DOUB", 62},     {"NCHAR", 231},   {"NVARCHAR", 231}};
    for (const auto& kind : kinds) {
        if (type.contains(QLatin1String(kind.word)))
            return kind.id;
    }
    return 167; // varchar
}

TableRules TableRules::of(LedgerDatabase& ledger)
{
    static const QRegularExpression autoIncrement = pattern(R"(\bAUTOINCREMENT\b)");
    TableRules rules;
    const StatementOutcome tables = ledger.run(QStringLiteral(
        "SELECT name, sql FROM main.sqlite_master WHERE type='table' AND name NOT LIKE "
        "'sqlite_%' ORDER BY name"));
    for (const QList<Cell>& row : tables.rows) {
        Table table;
        table.name = row.value(0).text;
        table.objectId = 1000 + int(rules.m_tables.size()) * 16;
        const bool counts = autoIncrement.match(row.value(1).text).hasMatch();
        QString quoted = table.name;
        quoted.replace(u'\'', QStringLiteral("''"));
        const StatementOutcome columns = ledger.run(
            QStringLiteral("SELECT name, type, pk, hidden FROM main.pragma_table_xinfo('%1')")
                .arg(quoted));
        for (const QList<Cell>& c : columns.rows) {
            Column column;
            column.name = c.value(0).text;
            column.declared = c.value(1).text;
            column.identity =
                counts && c.value(2).integer == 1 &&
                column.declared.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
            column.rowVersion = systemTypeId(column.declared) == 189;
            column.computed = c.value(3).integer == 2 || c.value(3).integer == 3;
            table.columns.append(column);
        }
        rules.m_tables.append(table);
    }
    return rules;
}

const TableRules::Table* TableRules::find(const QString& name) const
{
    const QString bare = bareName(name);
    for (const Table& table : m_tables) {
        if (table.name.compare(bare, Qt::CaseInsensitive) == 0)
            return &table;
    }
    return nullptr;
}

QStringList TableRules::named(const QString& sql) const
{
    QStringList names;
    for (const Table& table : m_tables) {
        for (qsizetype at = sql.indexOf(table.name, 0, Qt::CaseInsensitive); at >= 0;
             at = sql.indexOf(table.name, at + 1, Qt::CaseInsensitive)) {
            const qsizetype end = at + table.name.size();
            const auto partOfName = [&sql](qsizetype i) {
                return i >= 0 && i < sql.size() && (sql[i].isLetterOrNumber() || sql[i] == u'_');
            };
            if (!partOfName(at - 1) && !partOfName(end)) {
                names.append(table.name);
                break;
            }
        }
    }
    return names;
}

QString TableRules::withoutTableHints(const QString& sql, bool& exclusive, bool& holds)
{
    static const QRegularExpression hints = pattern(
        R"(\s+WITH\s*\(\s*((?:TABLOCKX|TABLOCK|HOLDLOCK|UPDLOCK|XLOCK|ROWLOCK|PAGLOCK|NOLOCK|READPAST|SERIALIZABLE|READCOMMITTED)(?:\s*,\s*(?:TABLOCKX|TABLOCK|HOLDLOCK|UPDLOCK|XLOCK|ROWLOCK|PAGLOCK|NOLOCK|READPAST|SERIALIZABLE|READCOMMITTED))*)\s*\))");
    static const QRegularExpression exclusiveHint = pattern(R"(\b(TABLOCKX|XLOCK|UPDLOCK)\b)");
    static const QRegularExpression holdHint = pattern(R"(\b(HOLDLOCK|SERIALIZABLE)\b)");
    exclusive = false;
    holds = false;
    QString result = sql;
    for (QRegularExpressionMatch m = hints.match(result); m.hasMatch(); m = hints.match(result)) {
        exclusive = exclusive || exclusiveHint.match(m.captured(1)).hasMatch();
        holds = holds || holdHint.match(m.captured(1)).hasMatch();
        result.remove(m.capturedStart(), m.capturedLength());
    }
    return result;
}

bool TableRules::writes(const QString& sql)
{
    static const QRegularExpression write =
        pattern(R"(^\s*(INSERT|UPDATE|DELETE|MERGE|CREATE|DROP|ALTER|TRUNCATE)\b)");
    return write.match(sql).hasMatch();
}

StatementOutcome TableRules::check(const QString& sql, const QString& identityInsert) const
{
    static const QRegularExpression insert =
        pattern(R"(^\s*INSERT\s+(?:INTO\s+)?([^\s(]+)\s*(\(([^)]*)\))?)");
    static const QRegularExpression update = pattern(R"(^\s*UPDATE\s+(\S+)\s+SET\s+(.*)$)");
    QRegularExpressionMatch m;
    if ((m = insert.match(sql)).hasMatch()) {
        if (const Table* table = find(m.captured(1)))
            return checkInsert(*table, m.captured(3), m.hasCaptured(2), identityInsert);
    } else if ((m = update.match(sql)).hasMatch()) {
        if (const Table* table = find(m.captured(1)))
            return checkUpdate(*table, m.captured(2));
    }
    return {};
}

StatementOutcome TableRules::checkInsert(const Table& table, const QString& columnList, bool listed,
                                         const QString& identityInsert) const
{
    const bool identityOn = identityInsert.compare(table.name, Qt::CaseInsensitive) == 0;
    const Column* identity = table.identity();
    if (!listed) {
        // Without a list the values go to every column the server does not
        // keep itself.
        if (identityOn && identity)
            return StatementOutcome::error(
                8101,
                QStringLiteral("An explicit value for the identity column in table '%1' can "
                               "only be specified when a column list is used and "
                               "IDENTITY_INSERT is ON.")
                    .arg(table.name),
                false);
        return {};
    }
    bool identityNamed = false;
    for (const QString& name : topLevelPieces(columnList, false)) {
        const Column* column = columnNamed(table, name);
        if (!column)
            continue; // SQLite names the column that is not there
        if (column->computed)
            return computedColumn(column->name);
        if (column->rowVersion)
            return StatementOutcome::error(
                273,
                QStringLiteral("Cannot insert an explicit value into a timestamp column. Use "
                               "INSERT with a column list to exclude the timestamp column, "
                               "or insert a DEFAULT into the timestamp column."),
                false);
        if (column->identity && !identityOn)
            return StatementOutcome::error(
                544,
                QStringLiteral("Cannot insert explicit value for identity column in table "
                               "'%1' when IDENTITY_INSERT is set to OFF.")
                    .arg(table.name),
                false);
        identityNamed = identityNamed || column->identity;
    }
    if (identityOn && identity && !identityNamed)
        return StatementOutcome::error(
            545,
            QStringLiteral("Explicit value must be specified for identity column in table "
                           "'%1' either when IDENTITY_INSERT is set to ON or when a "
                           "replication user is inserting into a NOT FOR REPLICATION "
                           "identity column.")
                .arg(table.name),
            false);
    return {};
}

StatementOutcome TableRules::checkUpdate(const Table& table, const QString& assignments) const
{
    for (const QString& assignment : topLevelPieces(assignments, true)) {
        const Column* column = columnNamed(table, assignment.section(u'=', 0, 0));
        if (!column)
            continue;
        if (column->computed)
            return computedColumn(column->name);
        if (column->rowVersion)
            return StatementOutcome::error(272, QStringLiteral("Cannot update a timestamp column."),
                                           false);
        if (column->identity)
            return StatementOutcome::error(
                8102, QStringLiteral("Cannot update identity column '%1'.").arg(column->name),
                false);
    }
    return {};
}

StatementOutcome TableRules::setIdentityInsert(const QString& name, bool on,
                                               QString& identityInsert) const
{
    const Table* table = find(name);
    if (!table)
        return StatementOutcome::error(1088,
                                       QStringLiteral("Cannot find the object \"%1\" because it "
                                                      "does not exist or you do not have "
                                                      "permissions.")
                                           .arg(bareName(name)),
                                       false);
    if (!table->identity())
        return StatementOutcome::error(8106,
                                       QStringLiteral("Table '%1' does not have the identity "
                                                      "property. Cannot perform SET operation.")
                                           .arg(table->name),
                                       false);
    const bool isThisOne = identityInsert.compare(table->name, Qt::CaseInsensitive) == 0;
    if (on && !identityInsert.isEmpty() && !isThisOne)
        return StatementOutcome::error(8107,
                                       QStringLiteral("IDENTITY_INSERT is already ON for table "
                                                      "'%1'. Cannot perform SET operation for "
                                                      "table '%2'.")
                                           .arg(identityInsert, table->name),
                                       false);
    if (on)
        identityInsert = table->name;
    else if (isThisOne)
        identityInsert.clear();
    return {};
}
