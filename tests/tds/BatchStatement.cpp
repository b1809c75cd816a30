#include "tests/tds/BatchStatement.h"

#include "tests/tds/SqlServerTypes.h"

#include <QRegularExpression>

namespace {

QRegularExpression pattern(const char* text)
{
    return QRegularExpression(QString::fromLatin1(text),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

// Skips a quoted run starting at i (the opening quote); returns the index
// after the closing one. A doubled closing quote stays inside.
qsizetype skipQuoted(const QString& text, qsizetype i, QChar close)
{
    for (++i; i < text.size(); ++i) {
        if (text[i] != close)
            continue;
        if (i + 1 < text.size() && text[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return i;
}

} // namespace

QList<BatchStatement> BatchStatement::split(const QString& batch)
{
    QList<BatchStatement> statements;
    qsizetype start = 0;
    qsizetype i = 0;
    auto take = [&](qsizetype end) {
        const QString piece = batch.mid(start, end - start).trimmed();
        if (!piece.isEmpty())
            statements.append(classify(piece));
        start = end + 1;
    };
    while (i < batch.size()) {
        const QChar c = batch[i];
        if (c == u'\'' || c == u'"') {
            i = skipQuoted(batch, i, c);
        } else if (c == u'[') {
            i = skipQuoted(batch, i, u']');
        } else if (c == u'-' && i + 1 < batch.size() && batch[i + 1] == u'-') {
            const qsizetype end = batch.indexOf(u'\n', i);
            i = end < 0 ? batch.size() : end + 1;
        } else if (c == u'/' && i + 1 < batch.size() && batch[i + 1] == u'*') {
            const qsizetype end = batch.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? batch.size() : end + 2;
        } else if (c == u';') {
            take(i);
            ++i;
        } else {
            ++i;
        }
    }
    take(batch.size());
    return statements;
}

QString BatchStatement::withCodePageLiterals(const QString& text)
{
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'\'', i);
        if (open < 0)
            break;
        const qsizetype end = skipQuoted(text, open, u'\'');
        const bool unicode =
            open > 0 && (text[open - 1] == u'N' || text[open - 1] == u'n') &&
            (open < 2 || !(text[open - 2].isLetterOrNumber() || text[open - 2] == u'_'));
        // SQLite knows no N prefix; the literal's text is all it needs.
        result.append(text.mid(i, (unicode ? open - 1 : open) - i));
        const QString literal = text.mid(open, end - open);
        result.append(unicode ? literal : SqlServerType::throughCodePage(literal));
        i = end;
    }
    result.append(text.mid(i));
    return result;
}

BatchStatement BatchStatement::classify(const QString& text)
{
    static const QRegularExpression implicit =
        pattern(R"(^SET\s+IMPLICIT_TRANSACTIONS\s+(ON|OFF)$)");
    static const QRegularExpression set = pattern(R"(^SET\s)");
    static const QRegularExpression noCount = pattern(R"(^SET\s+NOCOUNT\s+(ON|OFF)$)");
    static const QRegularExpression identityInsert =
        pattern(R"(^SET\s+IDENTITY_INSERT\s+(\S+)\s+(ON|OFF)$)");
    static const QRegularExpression lockTimeout = pattern(R"(^SET\s+LOCK_TIMEOUT\s+(-?\d+)$)");
    static const QRegularExpression ifOpen = pattern(
        R"(^IF\s+@@TRANCOUNT\s*>\s*0\s+(COMMIT|ROLLBACK)(?:\s+TRAN(?:SACTION)?)?(\s+BEGIN\s+TRAN(?:SACTION)?)?$)");
    static const QRegularExpression begin = pattern(R"(^BEGIN\s+TRAN(?:SACTION)?(?:\s+\w+)?$)");
    static const QRegularExpression commit =
        pattern(R"(^COMMIT(?:\s+(?:TRAN(?:SACTION)?|WORK))?(?:\s+\w+)?$)");
    static const QRegularExpression rollback =
        pattern(R"(^ROLLBACK(?:\s+(?:TRAN(?:SACTION)?|WORK))?(?:\s+\w+)?$)");
    static const QRegularExpression variable =
        pattern(R"(^SELECT\s+(@@\w+|SCOPE_IDENTITY\s*\(\s*\))$)");
    static const QRegularExpression procedure =
        pattern(R"(^(?:EXEC(?:UTE)?\s+)?([A-Za-z_#][\w$#@]*(?:\.[A-Za-z_#][\w$#@]*)*)$)");

    BatchStatement statement;
    statement.text = text;
    QRegularExpressionMatch m;
    if ((m = implicit.match(text)).hasMatch()) {
        statement.kind = m.captured(1).compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0
                             ? Kind::ImplicitOn
                             : Kind::ImplicitOff;
    } else if ((m = noCount.match(text)).hasMatch()) {
        statement.kind = m.captured(1).compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0
                             ? Kind::NoCountOn
                             : Kind::NoCountOff;
    } else if ((m = identityInsert.match(text)).hasMatch()) {
        statement.kind = Kind::IdentityInsert;
        statement.name = m.captured(1);
        statement.on = m.captured(2).compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
    } else if ((m = lockTimeout.match(text)).hasMatch()) {
        statement.kind = Kind::LockTimeout;
        statement.name = m.captured(1);
    } else if (set.match(text).hasMatch()) {
        statement.kind = Kind::Set;
    } else if ((m = ifOpen.match(text)).hasMatch()) {
        statement.kind = m.captured(1).compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0
                             ? Kind::CommitIfOpen
                             : Kind::RollbackIfOpen;
        statement.beginsAgain = !m.captured(2).isEmpty();
    } else if (begin.match(text).hasMatch()) {
        statement.kind = Kind::Begin;
    } else if (commit.match(text).hasMatch()) {
        statement.kind = Kind::Commit;
    } else if (rollback.match(text).hasMatch()) {
        statement.kind = Kind::Rollback;
    } else if ((m = variable.match(text)).hasMatch()) {
        statement.kind = Kind::Variable;
        statement.name = m.captured(1).toUpper().remove(QLatin1Char(' '));
    } else if ((m = procedure.match(text)).hasMatch()) {
        statement.kind = Kind::Procedure;
        statement.name = m.captured(1);
    }
    return statement;
}
