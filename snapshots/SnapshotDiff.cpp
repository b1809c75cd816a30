#include "snapshots/SnapshotDiff.h"

#include "snapshots/OpeningRow.h"

#include "core/Texts.h"
#include "snapshots/SnapshotRestore.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct Keyed
{
    QString key;
    QString label;
    const QVariantList* row;
};

QString describe(const LedgerSnapshot::Table& table, const QVariantList& row)
{
    QStringList parts;
    for (qsizetype c = 0; c < row.size(); ++c)
        parts.append(table.columns[c] + u'=' + SnapshotRestore::literal(row[c]));
    return parts.join(QStringLiteral(", "));
}

// Openings by account and year, a second row of the same pair told apart by
// its place; years by id.
QList<Keyed> keyed(const LedgerSnapshot::Table& table, bool openings)
{
    const int account = LedgerSnapshot::column(table, QStringLiteral("AccId"));
    const int year = LedgerSnapshot::column(table, QStringLiteral("AccYearID"));
    QHash<QString, int> seen;
    QList<Keyed> rows;
    for (const QVariantList& row : table.rows) {
        const QString yearText = year >= 0 ? row[year].toString() : QString();
        QString label = QStringLiteral("year ") + yearText;
        if (openings && account >= 0)
            label = Texts::trimBlanks(row[account].toString()) + QStringLiteral(", ") + label;
        const int n = seen[label]++;
        rows.append({label + QStringLiteral("#%1").arg(n),
                     n > 0 ? label + QStringLiteral(" (%1)").arg(n + 1) : label, &row});
    }
    return rows;
}

void compare(const LedgerSnapshot::Table& from, const LedgerSnapshot::Table& to, bool openings,
             QList<SnapshotDiff::Change>& changes)
{
    const OpeningRow::Reader fromRows(from);
    const OpeningRow::Reader toRows(to);
    const auto size = [openings](const OpeningRow::Reader& rows, const QVariantList* row) {
        if (!openings)
            return std::numeric_limits<double>::infinity();
        const OpeningRow amounts = rows.read(*row);
        return std::fabs(amounts.signedOpening()) + std::fabs(amounts.signedClosing());
    };
    const QList<Keyed> before = keyed(from, openings);
    const QList<Keyed> after = keyed(to, openings);
    QHash<QString, const Keyed*> afterByKey;
    for (const Keyed& k : after)
        afterByKey.insert(k.key, &k);
    QHash<QString, bool> matched;
    for (const Keyed& k : before) {
        const Keyed* other = afterByKey.value(k.key);
        if (!other) {
            changes.append({from.name, k.label, QStringLiteral("removed"), describe(from, *k.row),
                            QString(), size(fromRows, k.row)});
            continue;
        }
        matched.insert(k.key, true);
        const QString was = describe(from, *k.row);
        const QString now = describe(to, *other->row);
        if (was == now)
            continue;
        double delta = std::numeric_limits<double>::infinity();
        if (openings) {
            const OpeningRow old = fromRows.read(*k.row);
            const OpeningRow fresh = toRows.read(*other->row);
            delta = std::fabs(fresh.signedOpening() - old.signedOpening()) +
                    std::fabs(fresh.signedClosing() - old.signedClosing());
        }
        changes.append({from.name, k.label, QStringLiteral("changed"), was, now, delta});
    }
    for (const Keyed& k : after) {
        if (!matched.contains(k.key))
            changes.append({to.name, k.label, QStringLiteral("added"), QString(),
                            describe(to, *k.row), size(toRows, k.row)});
    }
}

} // namespace

QList<SnapshotDiff::Change> SnapshotDiff::between(const LedgerSnapshot& from,
                                                  const LedgerSnapshot& to)
{
    QList<Change> changes;
    compare(from.years(), to.years(), false, changes);
    compare(from.openings(), to.openings(), true, changes);
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.size > b.size; });
    return changes;
}

QString SnapshotDiff::line(const Change& change)
{
    QString text = QStringLiteral("%1 %2: %3").arg(change.table, change.row, change.kind);
    if (change.kind == QLatin1String("changed"))
        return text + QStringLiteral(": ") + change.before + QStringLiteral(" -> ") + change.after;
    return text + QStringLiteral(": ") + (change.after.isEmpty() ? change.before : change.after);
}
