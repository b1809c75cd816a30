#include "tests/tds/ServerTriggers.h"

#include "tests/tds/BatchStatement.h"
#include "tests/tds/TableRules.h"

#include <QRegularExpression>

namespace {

QRegularExpression pattern(const char* text)
{
    return QRegularExpression(QString::fromLatin1(text),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

QString quoted(const QString& name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString literal(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The part of a temporary table's name that stands for a ledger table.
QString keyOf(const QString& table)
{
    static const QRegularExpression unsafe(QStringLiteral("[^a-z0-9_]"));
    return table.toLower().replace(unsafe, QStringLiteral("_"));
}

// A statement of a trigger with inserted and deleted made the temporary
// tables that hold them on this connection; quoted texts stay as they are.
QString bound(const QString& statement, const QString& table)
{
    static const QRegularExpression words(QStringLiteral("\\b(inserted|deleted)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString key = keyOf(table);
    QStringList pieces = statement.split(u'\'');
    for (qsizetype i = 0; i < pieces.size(); i += 2) {
        QString& piece = pieces[i];
        QRegularExpressionMatch m;
        qsizetype from = 0;
        while ((m = words.match(piece, from)).hasMatch()) {
            const QString name = QStringLiteral("qh_%1_%2").arg(m.captured(1).toLower(), key);
            piece.replace(m.capturedStart(), m.capturedLength(), name);
            from = m.capturedStart() + name.size();
        }
    }
    return pieces.join(u'\'');
}

// The index after the parenthesis that closes the one at open.
qsizetype closing(const QString& text, qsizetype open)
{
    int depth = 0;
    bool inQuote = false;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'')
            inQuote = !inQuote;
        else if (!inQuote && c == u'(')
            ++depth;
        else if (!inQuote && c == u')' && --depth == 0)
            return i + 1;
    }
    return -1;
}

} // namespace

ServerTriggers::ServerTriggers(LedgerDatabase& ledger) : m_ledger(ledger)
{
    load();
}

bool ServerTriggers::isDefinition(const QString& batch)
{
    static const QRegularExpression definition =
        pattern(R"(^\s*(?:CREATE\s+(?:OR\s+ALTER\s+)?|DROP\s+)TRIGGER\s)");
    return definition.match(batch).hasMatch();
}

StatementOutcome ServerTriggers::define(const QString& batch)
{
    static const QRegularExpression create = pattern(
        R"(^\s*CREATE\s+(OR\s+ALTER\s+)?TRIGGER\s+(\S+)\s+ON\s+(\S+)\s+(?:AFTER|FOR)\s+((?:INSERT|UPDATE|DELETE)(?:\s*,\s*(?:INSERT|UPDATE|DELETE))*)\s+AS\s+(.*)$)");
    static const QRegularExpression drop = pattern(R"(^\s*DROP\s+TRIGGER\s+(\S+?)\s*;?\s*$)");
    static const QRegularExpression block = pattern(R"(^\s*BEGIN\s+(.*)\s+END\s*;?\s*$)");
    m_ledger.run(QStringLiteral("CREATE TABLE IF NOT EXISTS qh_triggers(name TEXT PRIMARY KEY "
                                "COLLATE NOCASE, table_name TEXT, events TEXT, body TEXT)"));
    QRegularExpressionMatch m;
    if ((m = drop.match(batch)).hasMatch()) {
        const QString name = TableRules::bareName(m.captured(1));
        const StatementOutcome dropped = m_ledger.run(
            QStringLiteral("DELETE FROM qh_triggers WHERE name=%1").arg(literal(name)));
        if (dropped.changed == 0)
            return StatementOutcome::error(
                3701, QStringLiteral("Cannot drop the trigger '%1', because it does not exist or "
                                     "you do not have permission.")
                          .arg(name));
        load();
        return {};
    }
    if (!(m = create.match(batch)).hasMatch())
        return StatementOutcome::error(
            102, QStringLiteral("Incorrect syntax near 'TRIGGER': the test server takes CREATE "
                                "TRIGGER name ON table AFTER events AS statements."));
    const QString name = TableRules::bareName(m.captured(2));
    const TableRules::Table* table = m_ledger.rules().find(m.captured(3));
    if (!table)
        return StatementOutcome::error(
            8197, QStringLiteral("The object '%1' does not exist or is invalid for this operation.")
                      .arg(TableRules::bareName(m.captured(3))));
    QString body = m.captured(5).trimmed();
    if (const QRegularExpressionMatch inner = block.match(body); inner.hasMatch())
        body = inner.captured(1);
    const QString verb =
        m.captured(1).isEmpty() ? QStringLiteral("INSERT") : QStringLiteral("REPLACE");
    const StatementOutcome stored =
        m_ledger.run(QStringLiteral("%1 INTO qh_triggers VALUES(%2, %3, %4, %5)")
                         .arg(verb, literal(name), literal(table->name),
                              literal(m.captured(4).toUpper().remove(u' ')), literal(body)));
    if (stored.failed)
        return StatementOutcome::error(
            2714,
            QStringLiteral("There is already an object named '%1' in the database.").arg(name));
    load();
    return {};
}

void ServerTriggers::load()
{
    m_triggers.clear();
    const StatementOutcome rows = m_ledger.run(
        QStringLiteral("SELECT name, table_name, events, body FROM qh_triggers ORDER BY rowid"));
    for (const QList<Cell>& row : rows.rows) {
        Trigger trigger{row.value(0).text, row.value(1).text, row.value(2).text.split(u','), {}};
        trigger.steps = stepsOf(row.value(3).text, trigger.table);
        capture(trigger.table);
        m_triggers.append(trigger);
    }
}

void ServerTriggers::capture(const QString& table)
{
    if (m_captured.contains(table))
        return;
    m_captured.append(table);
    QStringList columns;
    for (const QList<Cell>& row :
         m_ledger.run(QStringLiteral("SELECT name FROM pragma_table_info(%1)").arg(literal(table)))
             .rows)
        columns.append(quoted(row.value(0).text));
    const QString key = keyOf(table);
    const QString list = columns.join(QStringLiteral(", "));
    QStringList old;
    for (const QString& column : columns)
        old.append(QStringLiteral("OLD.") + column);
    // The rows a statement wrote are found again by their rowid; the rows
    // it replaced or removed are kept as they were before it.
    const QString keepOld = QStringLiteral("INSERT OR IGNORE INTO qh_old_%1 VALUES(OLD.rowid, %2);")
                                .arg(key, old.join(QStringLiteral(", ")));
    const QString keepNew =
        QStringLiteral("INSERT OR IGNORE INTO qh_rows_%1 VALUES(NEW.rowid);").arg(key);
    for (const QString& sql :
         {QStringLiteral("CREATE TEMP TABLE qh_rows_%1(rid INTEGER PRIMARY KEY)").arg(key),
          QStringLiteral("CREATE TEMP TABLE qh_old_%1(qh_rid INTEGER PRIMARY KEY, %2)")
              .arg(key, list),
          QStringLiteral("CREATE TEMP VIEW qh_inserted_%1 AS SELECT %2 FROM main.%3 WHERE "
                         "rowid IN (SELECT rid FROM qh_rows_%1)")
              .arg(key, list, quoted(table)),
          QStringLiteral("CREATE TEMP VIEW qh_deleted_%1 AS SELECT %2 FROM qh_old_%1")
              .arg(key, list),
          QStringLiteral("CREATE TEMP TRIGGER qh_capture_i_%1 AFTER INSERT ON main.%2 BEGIN "
                         "%3 END")
              .arg(key, quoted(table), keepNew),
          QStringLiteral("CREATE TEMP TRIGGER qh_capture_u_%1 AFTER UPDATE ON main.%2 BEGIN "
                         "%3 %4 END")
              .arg(key, quoted(table), keepNew, keepOld),
          QStringLiteral("CREATE TEMP TRIGGER qh_capture_d_%1 AFTER DELETE ON main.%2 BEGIN "
                         "%3 END")
              .arg(key, quoted(table), keepOld)})
        m_ledger.run(sql);
}

QList<ServerTriggers::Step> ServerTriggers::stepsOf(const QString& body, const QString& table)
{
    QList<Step> steps;
    for (const BatchStatement& statement : BatchStatement::split(body))
        steps.append(stepOf(statement.text, table));
    return steps;
}

ServerTriggers::Step ServerTriggers::stepOf(const QString& statement, const QString& table)
{
    static const QRegularExpression ifExists = pattern(R"(^IF\s+EXISTS\s*\()");
    static const QRegularExpression noCount = pattern(R"(^SET\s+NOCOUNT\s+(ON|OFF)$)");
    static const QRegularExpression raisError =
        pattern(R"(^RAISERROR\s*\(\s*N?'((?:[^']|'')*)'\s*,\s*(\d+)\s*,\s*\d+\s*\)$)");
    static const QRegularExpression throwing =
        pattern(R"(^THROW\s+(\d+)\s*,\s*N?'((?:[^']|'')*)'\s*,\s*\d+$)");
    static const QRegularExpression rollback = pattern(R"(^ROLLBACK(?:\s+TRAN(?:SACTION)?)?$)");
    QRegularExpressionMatch m;
    if ((m = ifExists.match(statement)).hasMatch()) {
        const qsizetype open = m.capturedEnd() - 1;
        const qsizetype end = closing(statement, open);
        if (end > 0) {
            Step step = stepOf(statement.mid(end).trimmed(), table);
            step.condition = bound(statement.mid(open + 1, end - open - 2), table);
            return step;
        }
    }
    Step step;
    if ((m = noCount.match(statement)).hasMatch()) {
        step.kind = m.captured(1).toUpper() == QLatin1String("ON") ? Step::Kind::NoCountOn
                                                                   : Step::Kind::NoCountOff;
    } else if ((m = raisError.match(statement)).hasMatch()) {
        step.kind = Step::Kind::RaisError;
        step.text = m.captured(1).replace(QStringLiteral("''"), QStringLiteral("'"));
        step.severity = m.captured(2).toInt();
    } else if ((m = throwing.match(statement)).hasMatch()) {
        step.kind = Step::Kind::Throw;
        step.number = m.captured(1).toInt();
        step.text = m.captured(2).replace(QStringLiteral("''"), QStringLiteral("'"));
    } else if (rollback.match(statement).hasMatch()) {
        step.kind = Step::Kind::Rollback;
    } else {
        step.text = bound(statement, table);
    }
    return step;
}

QList<ServerTriggers::Trigger> ServerTriggers::firedBy(const QString& sql, QString& table,
                                                       QString& event)
{
    static const QRegularExpression write =
        pattern(R"(^\s*(INSERT|UPDATE|DELETE)\s+(?:(?:INTO|FROM)\s+)?([\w\[\]"\.#]+))");
    QList<Trigger> fired;
    const QRegularExpressionMatch m = write.match(sql);
    if (m_triggers.isEmpty() || !m.hasMatch())
        return fired;
    const TableRules::Table* written = m_ledger.rules().find(m.captured(2));
    if (!written)
        return fired;
    const QString verb = m.captured(1).toUpper();
    for (const Trigger& trigger : m_triggers) {
        if (trigger.table.compare(written->name, Qt::CaseInsensitive) == 0 &&
            trigger.events.contains(verb))
            fired.append(trigger);
    }
    if (fired.isEmpty())
        return fired;
    table = fired.front().table;
    event = verb;
    const QString key = keyOf(table);
    m_ledger.run(QStringLiteral("DELETE FROM qh_rows_%1").arg(key));
    m_ledger.run(QStringLiteral("DELETE FROM qh_old_%1").arg(key));
    return fired;
}

void ServerTriggers::settle(const QString& table, const QString& event)
{
    if (event == QLatin1String("INSERT"))
        m_ledger.run(QStringLiteral("DELETE FROM qh_old_%1").arg(keyOf(table)));
}
