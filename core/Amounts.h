#pragma once

#include <QString>

// Amounts as the ledger keeps them: a magnitude and its side, "D" for a
// debit balance and "C" for a credit one; in every sum a debit counts
// positive and a credit negative. Two amounts less than half a paisa apart
// are the same figure; an amount is shown with two decimals.
class Amounts
{
public:
    Amounts() = delete;

    static constexpr double HalfPaisa = 0.005;

    // Whether a side text (OpeningType, ClosingType, the worksheet's Type)
    // names the credit side: "C" in either letter case, blanks around it
    // allowed. Any other side counts as debit.
    static bool isCreditSide(const QString& side);
    // A magnitude with its side, debit positive.
    static double signedBySide(double magnitude, const QString& side);
    // The side of a balance: "D" at or above 0, "C" below.
    static QString sideOf(double balance);
    static bool same(double a, double b);
    // "1200.50": two decimals, "." as the point, no grouping.
    static QString text(double amount);
};
