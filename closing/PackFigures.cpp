#include "closing/PackFigures.h"

#include "closing/ClosingLedger.h"
#include "core/Amounts.h"
#include "core/Numbers.h"
#include "core/Texts.h"

#include <QCryptographicHash>
#include <QHash>
#include <algorithm>

namespace {

using G = GridColumns;

const QString kFirstLine = QStringLiteral("Quillhaven pack 1");
const QString kYears = QStringLiteral("years");
// The figures of a line after its year and account, in their order.
const char* const kFigures[] = {"opening", "debit", "credit", "closing", "next year's opening"};
constexpr int kFigureCount = 5;

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

// A canonical text's lines of figures by year and account; an account the
// ledger lists twice in a year is told apart by its place.
struct Parsed
{
    QStringList keys; // in the text's order
    QHash<QString, QStringList> figures;
};

Parsed parse(const QString& canonical)
{
    Parsed parsed;
    QHash<QString, int> seen;
    const QStringList lines = canonical.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        QStringList fields = lines[i].split(u'\t');
        if (fields.size() != 2 + kFigureCount)
            continue;
        QString key = fields[0] + u'\t' + fields[1];
        if (const int n = seen[key]++; n > 0)
            key += u'\t' + QString::number(n + 1);
        parsed.keys.append(key);
        parsed.figures.insert(key, fields.mid(2));
    }
    return parsed;
}

} // namespace

bool PackFigures::Line::differs() const
{
    return storedNext && !Amounts::same(closing, *storedNext);
}

PackFigures PackFigures::of(const ClosingLedger& ledger)
{
    const GridModel& sheet = ledger.accounts();
    const GridModel& yearList = ledger.years();
    QHash<QString, int> rowOf;
    for (int r = sheet.rows(); r >= 1; --r)
        rowOf.insert(
            ledger.pairKey(Texts::trimBlanks(sheet.readText(G::AccAccountId, r)), ledger.yearOf(r)),
            r);
    QHash<double, qsizetype> yearIndex;
    PackFigures figures;
    QList<double> ids;
    for (int y = 1; y <= yearList.rows(); ++y)
        ids.append(yearList.numberAt(G::YrId, y));
    std::sort(ids.begin(), ids.end());
    for (const double id : ids) {
        yearIndex.insert(id, figures.m_years.size());
        Year year;
        year.year = id;
        year.label = ledger.yearLabel(id);
        year.closed = ids.contains(ledger.followingYear(id));
        if (year.closed)
            year.nextLabel = ledger.yearLabel(ledger.followingYear(id));
        figures.m_years.append(year);
    }
    for (int r = 1; r <= sheet.rows(); ++r) {
        const auto at = yearIndex.constFind(ledger.yearOf(r));
        if (at == yearIndex.cend())
            continue;
        Year& year = figures.m_years[*at];
        Line line;
        line.year = year.year;
        line.account = Texts::trimBlanks(sheet.readText(G::AccAccountId, r));
        line.name = sheet.readText(G::AccName, r);
        line.opening = ledger.signedOpening(r);
        line.debit = sheet.numberAt(G::AccDebit, r);
        line.credit = sheet.numberAt(G::AccCredit, r);
        line.closing = ledger.signedClosing(r);
        line.carried = Amounts::signedBySide(sheet.numberAt(G::AccNextOpening, r),
                                             sheet.readText(G::AccType, r));
        if (year.closed) {
            const int next =
                rowOf.value(ledger.pairKey(line.account, ledger.followingYear(year.year)), 0);
            line.storedNext = next > 0 ? ledger.signedOpening(next) : 0.0;
        }
        if (line.differs())
            ++year.differing;
        year.openings += line.opening;
        year.debit += line.debit;
        year.credit += line.credit;
        year.closings += line.closing;
        year.lines.append(line);
    }
    for (Year& year : figures.m_years)
        std::stable_sort(year.lines.begin(), year.lines.end(), [](const Line& a, const Line& b) {
            return a.account.toUtf8() < b.account.toUtf8();
        });
    return figures;
}

QList<double> PackFigures::closedYears() const
{
    QList<double> closed;
    for (const Year& year : m_years)
        if (year.closed)
            closed.append(year.year);
    return closed;
}

QString PackFigures::canonical(const QList<double>& years) const
{
    QStringList yearTexts;
    for (const double year : years)
        yearTexts.append(Numbers::numberText(year));
    QString out = kFirstLine + u'\n' + kYears;
    for (const QString& year : yearTexts)
        out += u' ' + year;
    out += u'\n';
    for (const Year& year : m_years) {
        if (!years.contains(year.year))
            continue;
        const QString yearText = Numbers::numberText(year.year);
        for (const Line& line : year.lines) {
            const QStringList fields{yearText,
                                     escaped(line.account),
                                     Amounts::text(line.opening),
                                     Amounts::text(line.debit),
                                     Amounts::text(line.credit),
                                     Amounts::text(line.closing),
                                     Amounts::text(line.storedNext.value_or(0.0))};
            out += fields.join(u'\t') + u'\n';
        }
    }
    return out;
}

QString PackFigures::yearsText(const QList<double>& years)
{
    QStringList texts;
    for (const double year : years)
        texts.append(Numbers::numberText(year));
    return texts.isEmpty() ? QStringLiteral("none") : texts.join(QStringLiteral(", "));
}

QString PackFigures::digestOf(const QString& canonical)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex());
}

std::optional<QList<double>> PackFigures::yearsOf(const QString& canonical)
{
    const QStringList head = canonical.section(u'\n', 0, 1).split(u'\n');
    if (head.size() != 2 || head[0] != kFirstLine || !head[1].startsWith(kYears))
        return std::nullopt;
    QList<double> years;
    for (const QString& word : head[1].mid(kYears.size()).split(u' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        years.append(word.toDouble(&ok));
        if (!ok)
            return std::nullopt;
    }
    return years;
}

QList<PackFigures::Difference> PackFigures::compare(const QString& then, const QString& now)
{
    const Parsed before = parse(then);
    const Parsed after = parse(now);
    QList<Difference> differences;
    const auto make = [](const QString& key) {
        Difference d;
        d.year = key.section(u'\t', 0, 0).toDouble();
        d.account = key.section(u'\t', 1, 1);
        return d;
    };
    for (const QString& key : before.keys) {
        const QStringList was = before.figures.value(key);
        const auto found = after.figures.constFind(key);
        if (found == after.figures.cend()) {
            Difference d = make(key);
            d.figure = QStringLiteral("account");
            differences.append(d);
            continue;
        }
        for (int f = 0; f < kFigureCount; ++f) {
            if (was.value(f) == found->value(f))
                continue;
            Difference d = make(key);
            d.figure = QString::fromLatin1(kFigures[f]);
            d.then = was.value(f).toDouble();
            d.now = found->value(f).toDouble();
            differences.append(d);
        }
    }
    for (const QString& key : after.keys)
        if (!before.figures.contains(key)) {
            Difference d = make(key);
            d.figure = QStringLiteral("account");
            d.now = 0.0;
            differences.append(d);
        }
    return differences;
}

QString PackFigures::Difference::text(const QString& yearLabel) const
{
    const QString where = QStringLiteral("year %1, account %2: ").arg(yearLabel, account);
    if (figure == QLatin1String("account"))
        return where + (now ? QStringLiteral("not in the pack, in the ledger now")
                            : QStringLiteral("in the pack, no longer in the ledger"));
    // Debits and credits are magnitudes; the other figures carry a side.
    const bool sided = figure != QLatin1String("debit") && figure != QLatin1String("credit");
    const auto shown = [sided](double amount) {
        return sided ? Amounts::sided(amount) : Amounts::grouped(amount);
    };
    const double change = now.value_or(0) - then.value_or(0);
    return where + QStringLiteral("%1 was %2, now %3 (%4 %5)")
                       .arg(figure, shown(then.value_or(0)), shown(now.value_or(0)),
                            sided        ? QStringLiteral("moved")
                            : change > 0 ? QStringLiteral("up")
                                         : QStringLiteral("down"),
                            sided ? Amounts::sided(change) : Amounts::grouped(std::abs(change)));
}
