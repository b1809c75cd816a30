#pragma once

class YearEndContext;

// Fills the accounting-years list vasAccYear from Acc_Accounting_Year.
class AccountingYearsList
{
public:
    explicit AccountingYearsList(YearEndContext& context) : m_context(context) {}

    void LoadAccYearDetails();

private:
    YearEndContext& m_context;
};
