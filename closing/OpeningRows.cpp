#include "closing/OpeningRows.h"

#include "closing/ClosingLedger.h"
#include "core/Amounts.h"
#include "core/Numbers.h"
#include "core/Texts.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

QString amountText(const QVariant& amount)
{
    return amount.isNull() ? QStringLiteral("Null") : Amounts::text(Numbers::ofAnyValue(amount));
}

bool sameAmount(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return Amounts::same(Numbers::ofAnyValue(a), Numbers::ofAnyValue(b));
}

bool same(const OpeningRows::Row& a, const OpeningRows::Row& b)
{
    return sameAmount(a.opening, b.opening) && sameAmount(a.closing, b.closing) &&
           a.openingSide.compare(b.openingSide, Qt::CaseInsensitive) == 0 &&
           a.closingSide.compare(b.closingSide, Qt::CaseInsensitive) == 0;
}

// Each row under its account, year and place among that pair's rows.
QHash<QString, const OpeningRows::Row*>
keyed(const SqlDialect& dialect, const QList<OpeningRows::Row>& rows, QStringList& order)
{
    QHash<QString, int> seen;
    QHash<QString, const OpeningRows::Row*> byKey;
    for (const OpeningRows::Row& row : rows) {
        const QString pair = ClosingLedger::pairKey(dialect, row.account, row.year);
        const QString key = pair + u'#' + QString::number(seen[pair]++);
        byKey.insert(key, &row);
        order.append(key);
    }
    return byKey;
}

} // namespace

QList<OpeningRows::Row> OpeningRows::of(const LedgerSnapshot::Table& table)
{
    const auto column = [&](const char* name) {
        return LedgerSnapshot::column(table, QLatin1String(name));
    };
    const int account = column("AccId");
    const int year = column("AccYearID");
    const int opening = column("Opening");
    const int openingSide = column("OpeningType");
    const int closing = column("Closing");
    const int closingSide = column("ClosingType");
    const auto at = [](const QVariantList& row, int c) { return c >= 0 ? row[c] : QVariant(); };
    QList<Row> rows;
    rows.reserve(table.rows.size());
    for (const QVariantList& r : table.rows)
        rows.append({at(r, account).toString(), Numbers::ofAnyValue(at(r, year)), at(r, opening),
                     Texts::trimBlanks(at(r, openingSide).toString()), at(r, closing),
                     Texts::trimBlanks(at(r, closingSide).toString())});
    return rows;
}

double OpeningRows::signedOpening(const Row& row)
{
    return LedgerSnapshot::signedAmount(row.opening, row.openingSide);
}

double OpeningRows::signedClosing(const Row& row)
{
    return LedgerSnapshot::signedAmount(row.closing, row.closingSide);
}

QString OpeningRows::describe(const Row& row)
{
    return QStringLiteral("opening %1 %2, closing %3 %4")
        .arg(amountText(row.opening), row.openingSide, amountText(row.closing), row.closingSide);
}

QList<OpeningRows::Change> OpeningRows::compare(const SqlDialect& dialect, const QList<Row>& before,
                                                const QList<Row>& after)
{
    QStringList beforeOrder;
    QStringList afterOrder;
    const auto was = keyed(dialect, before, beforeOrder);
    const auto now = keyed(dialect, after, afterOrder);
    QList<Change> changes;
    for (const QString& key : beforeOrder) {
        const Row& old = *was.value(key);
        const Row* fresh = now.value(key);
        if (!fresh) {
            changes.append({old.year, old.account, QStringLiteral("removed"), describe(old),
                            QString(),
                            std::fabs(signedOpening(old)) + std::fabs(signedClosing(old))});
        } else if (!same(old, *fresh)) {
            changes.append({old.year, old.account, QStringLiteral("changed"), describe(old),
                            describe(*fresh),
                            std::fabs(signedOpening(*fresh) - signedOpening(old)) +
                                std::fabs(signedClosing(*fresh) - signedClosing(old))});
        }
    }
    for (const QString& key : afterOrder) {
        if (was.contains(key))
            continue;
        const Row& fresh = *now.value(key);
        changes.append({fresh.year, fresh.account, QStringLiteral("added"), QString(),
                        describe(fresh),
                        std::fabs(signedOpening(fresh)) + std::fabs(signedClosing(fresh))});
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.size > b.size; });
    return changes;
}

QString OpeningRows::line(const Change& change)
{
    QString text = QStringLiteral("%1 %2, year %3: ")
                       .arg(change.kind, change.account, Numbers::numberText(change.year));
    if (change.kind == QLatin1String("changed"))
        return text + change.before + QStringLiteral(" -> ") + change.after;
    return text + (change.before.isEmpty() ? change.after : change.before);
}
