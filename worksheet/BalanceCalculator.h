#pragma once

#include <QString>
#include <QStringList>

class GridModel;

// Closes every worksheet row: balance, its side and next year's opening.
class BalanceCalculator
{
public:
    // A balance's closing as the worksheet keeps it: its magnitude, settled
    // to a millionth, then cut (never rounded) to two decimals.
    static double closingOf(double balance);

    // The closing rule of a row: an opening on side "C" counts negative, any
    // other side positive; debits add, credits subtract; the balance's side
    // is "D" at 0 and above; the amount is closingOf(balance).
    struct Closing
    {
        double balance = 0;
        double amount = 0;
        QString side;
    };
    static Closing close(double opening, const QString& openingSide, double debit, double credit);

    // Rows whose opening side was neither "D" nor "C" and were counted as "D".
    struct UnknownSides
    {
        int count = 0;
        QStringList examples; // "account (year)" of the first few
        // The operator's message, empty when count is 0.
        QString message() const;
    };

    explicit BalanceCalculator(GridModel& sheet) : m_sheet(sheet) {}

    UnknownSides CalculateBalances();

private:
    GridModel& m_sheet;
};
