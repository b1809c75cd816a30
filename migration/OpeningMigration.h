#pragma once

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
    YearEndContext& m_context;
};
