#pragma once

#include "closing/OpeningRows.h"

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
    QList<OpeningRows::Row> rowsAfter() const;

    // Per year: rows added, removed and changed, the totals before and
    // after, then the changes, largest first.
    QString text(const QList<OpeningRows::Row>& now, const QList<OpeningRows::Row>& after) const;

private:
    const ClosingLedger& m_ledger;
};
