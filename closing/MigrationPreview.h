#pragma once

#include "closing/OpeningRows.h"

#include <QMap>

class ClosingLedger;

// What Migrate Accounts would do, worked out from the loaded worksheet
// without writing anything: the rows its four steps would leave in
// Acc_Opening, and how they differ from the table today.
class MigrationPreview
{
public:
    explicit MigrationPreview(const ClosingLedger& ledger) : m_ledger(ledger) {}

    // The migration's steps on the worksheet: a row per worksheet row with
    // its closing; each row's own opening; the next year's opening from
    // each closing; the current year's closings 0.
    QList<OpeningRow> rowsAfter() const;

    // What one year would see: rows added, removed and changed, the totals
    // before and after (debit positive), and the changes, largest first.
    struct Year
    {
        int added = 0, removed = 0, changed = 0;
        double openingsBefore = 0, openingsAfter = 0, closingsBefore = 0, closingsAfter = 0;
        QList<OpeningRows::Change> changes;
    };
    QMap<double, Year> byYear(const QList<OpeningRow>& now, const QList<OpeningRow>& after) const;

    // The same as text: per year the counts and totals, then the changes.
    QString text(const QList<OpeningRow>& now, const QList<OpeningRow>& after) const;

private:
    const ClosingLedger& m_ledger;
};
