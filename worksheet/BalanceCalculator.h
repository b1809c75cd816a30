#pragma once

#include <QString>
#include <QStringList>

class YearEndContext;

// Closes every worksheet row: balance, its side and next year's opening.
class BalanceCalculator
{
public:
    // Rows whose opening side was neither "D" nor "C" and were counted as "D".
    struct UnknownSides
    {
        int count = 0;
        QStringList examples;  // "account (year)" of the first few
        // The operator's message, empty when count is 0.
        QString message() const;
    };

    explicit BalanceCalculator(YearEndContext& context) : m_context(context) {}

    UnknownSides CalculateBalances();

private:
    YearEndContext& m_context;
};
