#pragma once

#include "snapshots/LedgerSnapshot.h"

#include <QList>
#include <QString>
#include <QVariant>

class SqlDialect;

// Rows of Acc_Opening reduced to what a closing decides: account, year,
// opening and closing with their sides. The preview and the proof build
// the rows a migration leaves, and compare them with the table's.
class OpeningRows
{
public:
    struct Row
    {
        QString account; // as stored
        double year = 0;
        QVariant opening; // a number, or Null
        QString openingSide;
        QVariant closing;
        QString closingSide;
    };

    struct Change
    {
        double year = 0;
        QString account;
        QString kind;    // "added", "removed", "changed"
        QString before;  // "opening 12.50 D, closing 0.00 D"; empty when added
        QString after;   // empty when removed
        double size = 0; // how far the amounts moved, debit positive
    };

    // The rows of an Acc_Opening table as read whole.
    static QList<Row> of(const LedgerSnapshot::Table& table);

    // Rows matched by account (as the database compares ids), year and
    // place among the rows of that pair; amounts within half a paisa and
    // sides in any letter case are the same. Largest changes first.
    static QList<Change> compare(const SqlDialect& dialect, const QList<Row>& before,
                                 const QList<Row>& after);

    // Debit positive; a Null amount counts 0.
    static double signedOpening(const Row& row);
    static double signedClosing(const Row& row);
    static QString describe(const Row& row);
    static QString line(const Change& change);
};
