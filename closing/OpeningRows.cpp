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
    return amount.isNull() ? QStringLiteral("Null") : Amounts::grouped(Numbers::ofAnyValue(amount));
}

bool sameAmount(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return Amounts::same(Numbers::ofAnyValue(a), Numbers::ofAnyValue(b));
}

bool same(const OpeningRow& a, const OpeningRow& b)
{
    return sameAmount(a.opening, b.opening) && sameAmount(a.closing, b.closing) &&
           a.openingSide.compare(b.openingSide, Qt::CaseInsensitive) == 0 &&
           a.closingSide.compare(b.closingSide, Qt::CaseInsensitive) == 0;
}

// Each row under its account, year and place among that pair's rows.
QHash<QString, const OpeningRow*> keyed(const SqlDialect& dialect, const QList<OpeningRow>& rows,
                                        QStringList& order)
{
    QHash<QString, int> seen;
    QHash<QString, const OpeningRow*> byKey;
    for (const OpeningRow& row : rows) {
        const QString pair = ClosingLedger::pairKey(dialect, row.account, row.year);
        const QString key = pair + u'#' + QString::number(seen[pair]++);
        byKey.insert(key, &row);
        order.append(key);
    }
    return byKey;
}

} // namespace

QString OpeningRows::describe(const OpeningRow& row)
{
    return QStringLiteral("opening %1 %2, closing %3 %4")
        .arg(amountText(row.opening), row.openingSide, amountText(row.closing), row.closingSide);
}

QList<OpeningRows::Change> OpeningRows::compare(const SqlDialect& dialect,
                                                const QList<OpeningRow>& before,
                                                const QList<OpeningRow>& after)
{
    QStringList beforeOrder;
    QStringList afterOrder;
    const auto was = keyed(dialect, before, beforeOrder);
    const auto now = keyed(dialect, after, afterOrder);
    QList<Change> changes;
    for (const QString& key : beforeOrder) {
        const OpeningRow& old = *was.value(key);
        const OpeningRow* fresh = now.value(key);
        if (!fresh) {
            changes.append({old.year, old.account, QStringLiteral("removed"), describe(old),
                            QString(),
                            std::fabs(old.signedOpening()) + std::fabs(old.signedClosing())});
        } else if (!same(old, *fresh)) {
            changes.append({old.year, old.account, QStringLiteral("changed"), describe(old),
                            describe(*fresh),
                            std::fabs(fresh->signedOpening() - old.signedOpening()) +
                                std::fabs(fresh->signedClosing() - old.signedClosing())});
        }
    }
    for (const QString& key : afterOrder) {
        if (was.contains(key))
            continue;
        const OpeningRow& fresh = *now.value(key);
        changes.append({fresh.year, fresh.account, QStringLiteral("added"), QString(),
                        describe(fresh),
                        std::fabs(fresh.signedOpening()) + std::fabs(fresh.signedClosing())});
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
