#pragma once

class GridModel;
class RecordSet;
class YearEndContext;

// Loads the account worksheet vasAccounts: one row per account and listed
// year with its postings totals, then the opening of every row.
class AccountWorksheet
{
public:
    explicit AccountWorksheet(YearEndContext& context) : m_context(context) {}

    void LoadAccountDetails();
    void LoadOpeningBalances();

    // Writes a result row's "AccountID", "AccountName" and "ParentID" into
    // columns 1 to 3 of a worksheet row, each unchanged or empty text for Null.
    static void writeAccount(GridModel& sheet, int row, const RecordSet& rs);

private:
    YearEndContext& m_context;
};
