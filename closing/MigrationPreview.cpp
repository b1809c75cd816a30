#include "closing/MigrationPreview.h"

#include "closing/ClosingLedger.h"
#include "core/Amounts.h"
#include "migration/MigrationPlan.h"

#include <QHash>
#include <QMap>

QList<OpeningRow> MigrationPreview::rowsAfter() const
{
    // The migration's own plan, its statements carried out in memory: every
    // number as the server reads back the text the statement carries.
    const MigrationPlan plan = MigrationPlan::of(m_ledger.accounts(), m_ledger.years());
    QList<OpeningRow> rows;
    QHash<QString, QList<qsizetype>> byPair; // account key and year -> rows
    // Step 1: the worksheet's rows with their closings.
    for (const MigrationPlan::Closing& closing : plan.closings) {
        OpeningRow row;
        row.account = closing.account;
        row.year = closing.year.toDouble();
        row.closing = closing.closing.toDouble();
        row.closingSide = closing.side;
        byPair[m_ledger.pairKey(row.account, row.year)].append(rows.size());
        rows.append(row);
    }
    // Steps 2 and 3: an update's "where AccId='...'" finds every row the
    // database takes for the same id.
    for (const QList<MigrationPlan::Opening>* step : {&plan.ownOpenings, &plan.nextOpenings}) {
        for (const MigrationPlan::Opening& opening : *step) {
            for (const qsizetype i :
                 byPair.value(m_ledger.pairKey(opening.account, opening.year.toDouble()))) {
                rows[i].opening = opening.opening.toDouble();
                rows[i].openingSide = opening.side;
            }
        }
    }
    // Step 4: the current year keeps no closing.
    const double current = MigrationPlan::currentYearText(m_ledger.currentYear()).toDouble();
    for (OpeningRow& row : rows) {
        if (row.year == current) {
            row.closing = 0.0;
            row.closingSide = QStringLiteral("D");
        }
    }
    return rows;
}

QMap<double, MigrationPreview::Year> MigrationPreview::byYear(const QList<OpeningRow>& now,
                                                              const QList<OpeningRow>& after) const
{
    QMap<double, Year> years;
    for (const OpeningRow& row : now) {
        years[row.year].openingsBefore += row.signedOpening();
        years[row.year].closingsBefore += row.signedClosing();
    }
    for (const OpeningRow& row : after) {
        years[row.year].openingsAfter += row.signedOpening();
        years[row.year].closingsAfter += row.signedClosing();
    }
    for (const OpeningRows::Change& change : OpeningRows::compare(m_ledger.dialect(), now, after)) {
        Year& y = years[change.year];
        y.changes.append(change);
        if (change.kind == QLatin1String("added"))
            ++y.added;
        else if (change.kind == QLatin1String("removed"))
            ++y.removed;
        else
            ++y.changed;
    }
    return years;
}

QString MigrationPreview::text(const QList<OpeningRow>& now, const QList<OpeningRow>& after) const
{
    const QMap<double, Year> years = byYear(now, after);
    qsizetype changes = 0;
    for (const Year& y : years)
        changes += y.changes.size();
    QString out = QStringLiteral("Migrate Accounts would leave %1 rows in Acc_Opening (%2 today): "
                                 "%3 changes.\n")
                      .arg(after.size())
                      .arg(now.size())
                      .arg(changes);
    for (auto it = years.cbegin(); it != years.cend(); ++it) {
        const Year& y = *it;
        out += QStringLiteral("\nYear %1: %2 added, %3 removed, %4 changed\n")
                   .arg(m_ledger.yearLabel(it.key()))
                   .arg(y.added)
                   .arg(y.removed)
                   .arg(y.changed);
        out += QStringLiteral("  openings %1 -> %2, closings %3 -> %4\n")
                   .arg(Amounts::sided(y.openingsBefore), Amounts::sided(y.openingsAfter),
                        Amounts::sided(y.closingsBefore), Amounts::sided(y.closingsAfter));
        for (const OpeningRows::Change& change : y.changes)
            out += QStringLiteral("  ") + OpeningRows::line(change) + u'\n';
    }
    return out;
}
