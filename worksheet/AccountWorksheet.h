#pragma once

class YearEndContext;

// Loads the account worksheet vasAccounts: one row per account and listed
// year with its postings totals, then the opening of every row.
class AccountWorksheet
{
public:
    explicit AccountWorksheet(YearEndContext& context) : m_context(context) {}

    void LoadAccountDetails();
    void LoadOpeningBalances();

private:
    YearEndContext& m_context;
};
