#pragma once

#include "snapshots/LedgerSnapshot.h"

#include <QList>
#include <QString>

// What changed in Acc_Opening and Acc_Accounting_Year from one snapshot to
// another (or to the ledger as it is now): rows added, removed and changed,
// the largest changes first.
class SnapshotDiff
{
public:
    struct Change
    {
        QString table;
        QString row;     // "1001, year 3" or "year 3"
        QString kind;    // "added", "removed", "changed"
        QString before;  // the row's values, empty when added
        QString after;   // empty when removed
        double size = 0; // change of the signed amounts; years count above all
        QString account; // of an opening row
        QString year;
    };

    static QList<Change> between(const LedgerSnapshot& from, const LedgerSnapshot& to);
    // One line a change.
    static QString line(const Change& change);
};
