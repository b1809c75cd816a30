#pragma once

#include "closing/OpeningRows.h"

#include <QHash>
#include <QList>
#include <QString>

class Session;
class SqlDialect;

// Every worksheet account's figures per year, worked out set-based rather
// than row by row: the postings summed and matched to the accounts by the
// database with one aggregate query per year, each opening as the
// worksheet's lookup reads it from the stored rows given, each closing as
// the worksheet computes it. On a big ledger this takes a fraction of the
// worksheet's load.
class AccountFigures
{
public:
    struct Figure
    {
        QString account; // as Acc_Master holds it, blanks around it dropped
        double year = 0;
        double opening = 0;
        QString openingSide;
        double debit = 0;
        double credit = 0;
        double closing = 0;
        QString closingSide;

        // Debit positive.
        double signedOpening() const;
        double signedClosing() const;
    };

    // One figure per account of Acc_Master that the worksheet lists (parent
    // neither 'P' nor 'B') and per year, in the order of the years given.
    static QList<Figure> compute(Session& session, const QList<double>& years,
                                 const QList<OpeningRow>& stored);

    // Per pair, the row the worksheet's lookup finds: the first stored.
    static QHash<QString, const OpeningRow*> firstRows(const SqlDialect& dialect,
                                                       const QList<OpeningRow>& rows);
};
