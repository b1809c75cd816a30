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
    // A magnitude as an accountant here writes it, in lakhs and crores:
    // "12,34,567.89".
    static QString grouped(double magnitude);
    // A signed amount (debit positive) as its grouped magnitude and side:
    // "1,85,145.64 C"; nil reads "0.00 D".
    static QString sided(double amount);
};
