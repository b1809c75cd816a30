#pragma once

#include "snapshots/OpeningRow.h"

#include <QList>
#include <QString>
#include <QVariant>

class SqlDialect;

// Rows of Acc_Opening compared: the preview and the proof build the rows a
// migration leaves, and compare them with the table's.
class OpeningRows
{
public:
    struct Change
    {
        double year = 0;
        QString account;
        QString kind;    // "added", "removed", "changed"
        QString before;  // "opening 12.50 D, closing 0.00 D"; empty when added
        QString after;   // empty when removed
        double size = 0; // how far the amounts moved, debit positive
    };

    // Rows matched by account (as the database compares ids), year and
    // place among the rows of that pair; amounts within half a paisa and
    // sides in any letter case are the same. Largest changes first.
    static QList<Change> compare(const SqlDialect& dialect, const QList<OpeningRow>& before,
                                 const QList<OpeningRow>& after);

    static QString describe(const OpeningRow& row);
    static QString line(const Change& change);
};
