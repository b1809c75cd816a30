#include "snapshots/SnapshotDiff.h"

#include "snapshots/OpeningRow.h"

#include "core/Amounts.h"
#include "core/Numbers.h"
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
    QString account;
    QString year;
    const QVariantList* row;
};

// A row as an accountant reads it: an opening row by its amounts and their
// sides, then any column of the table beyond them; the account and year
// stand in the change's own fields.
QString describe(const LedgerSnapshot::Table& table, const QVariantList& row,
                 const OpeningRow::Reader* openings)
{
    static const QStringList kRead{QStringLiteral("AccId"),   QStringLiteral("AccYearID"),
                                   QStringLiteral("Opening"), QStringLiteral("OpeningType"),
                                   QStringLiteral("Closing"), QStringLiteral("ClosingType")};
    QStringList parts;
    if (openings) {
        const OpeningRow amounts = openings->read(row);
        const auto amount = [](const QVariant& value, const QString& side) {
            return value.isNull() ? QStringLiteral("Null")
                                  : Amounts::grouped(Numbers::ofAnyValue(value)) + u' ' +
                                        Texts::trimBlanks(side);
        };
        parts.append(QStringLiteral("opening ") + amount(amounts.opening, amounts.openingSide));
        parts.append(QStringLiteral("closing ") + amount(amounts.closing, amounts.closingSide));
    }
    for (qsizetype c = 0; c < row.size(); ++c)
        if (!openings || !kRead.contains(table.columns[c], Qt::CaseInsensitive))
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
        const QString accountText =
            openings && account >= 0 ? Texts::trimBlanks(row[account].toString()) : QString();
        QString label = QStringLiteral("year ") + yearText;
        if (!accountText.isEmpty())
            label = accountText + QStringLiteral(", ") + label;
        const int n = seen[label]++;
        rows.append({label + QStringLiteral("#%1").arg(n),
                     n > 0 ? label + QStringLiteral(" (%1)").arg(n + 1) : label, accountText,
                     yearText, &row});
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
            changes.append({from.name, k.label, QStringLiteral("removed"),
                            describe(from, *k.row, openings ? &fromRows : nullptr), QString(),
                            size(fromRows, k.row), k.account, k.year});
            continue;
        }
        matched.insert(k.key, true);
        const QString was = describe(from, *k.row, openings ? &fromRows : nullptr);
        const QString now = describe(to, *other->row, openings ? &toRows : nullptr);
        if (was == now)
            continue;
        double delta = std::numeric_limits<double>::infinity();
        if (openings) {
            const OpeningRow old = fromRows.read(*k.row);
            const OpeningRow fresh = toRows.read(*other->row);
            delta = std::fabs(fresh.signedOpening() - old.signedOpening()) +
                    std::fabs(fresh.signedClosing() - old.signedClosing());
        }
        changes.append(
            {from.name, k.label, QStringLiteral("changed"), was, now, delta, k.account, k.year});
    }
    for (const Keyed& k : after) {
        if (!matched.contains(k.key))
            changes.append({to.name, k.label, QStringLiteral("added"), QString(),
                            describe(to, *k.row, openings ? &toRows : nullptr), size(toRows, k.row),
                            k.account, k.year});
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
