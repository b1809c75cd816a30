#pragma once

#include <QHash>

class YearEndContext;

// The click of CmdMigrate: rebuilds Acc_Opening from the worksheet, all or
// nothing.
class OpeningMigration
{
public:
    explicit OpeningMigration(YearEndContext& context) : m_context(context) {}

    void run();
    void InsertClosingBalances();
    void UpdateOpeningBalances();
    void UpdateNextYearOpenings();
    void ResetCurrentYearClosing();

private:
    // Whether Acc_Accounting_Year still holds the years the worksheet was
    // loaded with (read inside the command's transaction).
    bool yearsAsLoaded();
    // The id of the year that follows each listed year: the one that starts
    // the day after it ends, else the id plus 1.
    QHash<double, double> followingYears() const;

    YearEndContext& m_context;
};
