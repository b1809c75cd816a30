#include "db/SqlStatement.h"

#include <algorithm>

namespace {

// SQLite reads the bound number text with the very routine it reads a
// numeric literal with, so the placeholder gives the literal's value, type
// and bits, in comparisons and in columns of any declared type. A literal
// of digits alone is an integer (a real once past 64 bits), as NUMERIC
// reads it; one with a point or an exponent is always a real, even "5.".
const QLatin1String kIntegerPlaceholder("CAST(? AS NUMERIC)");
const QLatin1String kRealPlaceholder("CAST(? AS REAL)");
// The blank keeps a word that follows a closing quote in the text (as in
// "'and AccYearID=") from running into the placeholder.
const QLatin1String kTextPlaceholder("? ");

bool isIntegerLiteral(const QString& numberText)
{
    const qsizetype start = numberText.startsWith(u'-') || numberText.startsWith(u'+') ? 1 : 0;
    if (start == numberText.size())
        return false;
    for (qsizetype i = start; i < numberText.size(); ++i) {
        if (numberText[i] < u'0' || numberText[i] > u'9')
            return false;
    }
    return true;
}

} // namespace

SqlStatement& SqlStatement::append(QLatin1String piece)
{
    m_text.append(piece);
    m_shape.append(piece);
    return *this;
}

SqlStatement& SqlStatement::raw(const QString& piece)
{
    m_text.append(piece);
    m_shape.append(piece);
    return *this;
}

SqlStatement& SqlStatement::quoted(const QString& value)
{
    if (std::any_of(value.cbegin(), value.cend(),
                    [](QChar c) { return !SqlDialect::inWindows1252(c.unicode()); }))
        m_unicodeQuotes.append(m_text.size());
    m_text.append(literal(value));
    m_shape.append(kTextPlaceholder);
    // A null string would be bound as Null; the literal '' is empty text.
    m_values.append(value.isNull() ? QStringLiteral("") : value);
    return *this;
}

QString SqlStatement::quotedText(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return quoted;
}

QString SqlStatement::textFor(SqlDialect::Kind kind) const
{
    if (kind != SqlDialect::Kind::SqlServer || m_unicodeQuotes.isEmpty())
        return m_text;
    QString text = m_text;
    for (auto at = m_unicodeQuotes.crbegin(); at != m_unicodeQuotes.crend(); ++at)
        text.insert(*at, u'N');
    return text;
}

SqlStatement& SqlStatement::number(const QString& numberText)
{
    m_text.append(numberText);
    m_shape.append(isIntegerLiteral(numberText) ? kIntegerPlaceholder : kRealPlaceholder);
    m_values.append(numberText);
    return *this;
}
