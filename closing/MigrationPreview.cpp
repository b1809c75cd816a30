#include "closing/MigrationPreview.h"

#include "closing/ClosingLedger.h"
#include "core/Amounts.h"
#include "core/Conversions.h"

#include <QHash>
#include <QMap>
#include <cmath>

namespace {

// A figure as the migration's statement carries it, read back by the
// server: the number's text, then that text as a number.
QVariant stored(double value)
{
    return Conversions::numberText(value).toDouble();
}

} // namespace

QList<OpeningRows::Row> MigrationPreview::rowsAfter() const
{
    using G = GridColumns;
    const GridModel& sheet = m_ledger.accounts();
    QList<OpeningRows::Row> rows;
    QHash<QString, QList<qsizetype>> byPair; // account key and year -> rows
    // Step 1: the worksheet's rows with their closings.
    for (int r = 1; r <= sheet.rows(); ++r) {
        OpeningRows::Row row;
        row.account = Conversions::trimBlanks(sheet.readText(G::AccAccountId, r));
        row.year = stored(m_ledger.yearOf(r)).toDouble();
        row.closing = stored(std::fabs(sheet.numberAt(G::AccBalance, r)));
        row.closingSide = Conversions::trimBlanks(sheet.readText(G::AccType, r));
        byPair[m_ledger.pairKey(row.account, row.year)].append(rows.size());
        rows.append(row);
    }
    // An update's "where AccId='...'" finds every row the database takes for
    // the same id.
    const auto set = [&](int r, double year, double opening, const QString& side) {
        const QString account = Conversions::trimBlanks(sheet.readText(G::AccAccountId, r));
        for (qsizetype i : byPair.value(m_ledger.pairKey(account, year))) {
            rows[i].opening = stored(opening);
            rows[i].openingSide = side;
        }
    };
    // Step 2: every row's own opening.
    for (int r = 1; r <= sheet.rows(); ++r)
        set(r, m_ledger.yearOf(r), sheet.numberAt(G::AccOpening, r),
            Conversions::trimBlanks(sheet.readText(G::AccOpeningType, r)));
    // Step 3: each closing into the following year's opening.
    for (int r = 1; r <= sheet.rows(); ++r)
        set(r, m_ledger.followingYear(m_ledger.yearOf(r)), sheet.numberAt(G::AccNextOpening, r),
            Conversions::trimBlanks(sheet.readText(G::AccType, r)));
    // Step 4: the current year keeps no closing.
    for (OpeningRows::Row& row : rows) {
        if (m_ledger.currentYear() != 0 && row.year == m_ledger.currentYear()) {
            row.closing = 0.0;
            row.closingSide = QStringLiteral("D");
        }
    }
    return rows;
}

QString MigrationPreview::text(const QList<OpeningRows::Row>& now,
                               const QList<OpeningRows::Row>& after) const
{
    struct Year
    {
        int added = 0, removed = 0, changed = 0;
        double openingsBefore = 0, openingsAfter = 0, closingsBefore = 0, closingsAfter = 0;
        QList<OpeningRows::Change> changes;
    };
    QMap<double, Year> years;
    for (const OpeningRows::Row& row : now) {
        years[row.year].openingsBefore += OpeningRows::signedOpening(row);
        years[row.year].closingsBefore += OpeningRows::signedClosing(row);
    }
    for (const OpeningRows::Row& row : after) {
        years[row.year].openingsAfter += OpeningRows::signedOpening(row);
        years[row.year].closingsAfter += OpeningRows::signedClosing(row);
    }
    const QList<OpeningRows::Change> changes = OpeningRows::compare(m_ledger.dialect(), now, after);
    for (const OpeningRows::Change& change : changes) {
        Year& y = years[change.year];
        y.changes.append(change);
        if (change.kind == QLatin1String("added"))
            ++y.added;
        else if (change.kind == QLatin1String("removed"))
            ++y.removed;
        else
            ++y.changed;
    }
    QString out = QStringLiteral("Migrate Accounts would leave %1 rows in Acc_Opening (%2 today): "
                                 "%3 changes.\n")
                      .arg(after.size())
                      .arg(now.size())
                      .arg(changes.size());
    for (auto it = years.cbegin(); it != years.cend(); ++it) {
        const Year& y = *it;
        out += QStringLiteral("\nYear %1: %2 added, %3 removed, %4 changed\n")
                   .arg(m_ledger.yearLabel(it.key()))
                   .arg(y.added)
                   .arg(y.removed)
                   .arg(y.changed);
        out += QStringLiteral("  openings %1 -> %2, closings %3 -> %4 (debit positive)\n")
                   .arg(Amounts::text(y.openingsBefore), Amounts::text(y.openingsAfter),
                        Amounts::text(y.closingsBefore), Amounts::text(y.closingsAfter));
        for (const OpeningRows::Change& change : y.changes)
            out += QStringLiteral("  ") + OpeningRows::line(change) + u'\n';
    }
    return out;
}
