#pragma once

#include "closing/AccountFigures.h"
#include "closing/LedgerCheck.h"

#include <QList>
#include <QMap>

class ClosingLedger;

// What the accounts' figures of each year, worked out set-based as the
// worksheet would show them, say about the year as a whole: whether its
// openings balance, whether its closings sum to its openings (the trial
// balance), and whether its openings are the closings of the year before.
class YearSums
{
public:
    YearSums(const ClosingLedger& ledger, const QList<AccountFigures::Figure>& figures);

    // Double entry: a year's openings are the balances of books whose debits
    // equal their credits, so they sum to zero.
    void openingsBalance(QList<LedgerCheck::Finding>& findings) const;
    void trialBalance(QList<LedgerCheck::Finding>& findings) const;
    void carriedForward(QList<LedgerCheck::Finding>& findings) const;

private:
    struct Totals
    {
        double openings = 0; // debit positive
        double closings = 0;
    };

    const ClosingLedger& m_ledger;
    const QList<AccountFigures::Figure>& m_figures;
    QMap<double, Totals> m_totals; // per year
};
