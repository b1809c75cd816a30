#pragma once

#include <QLatin1String>
#include <QVariant>
#include <functional>

class GridModel;
class LoadShare;
class Progress;
class RecordSet;
class Session;

// Loads the account worksheet vasAccounts: one row per account and listed
// year with its postings totals, then the opening of every row.
class AccountWorksheet
{
public:
    // The accounts the worksheet lists: those of Acc_Master whose ParentID
    // is neither 'P' nor 'B' (and not Null, for which the test is not true),
    // as the condition on the parent column that every statement listing
    // them ends with.
    static constexpr QLatin1String ListedParents{"not in('P','B')"};

    AccountWorksheet(Session& session, GridModel& sheet, Progress& progress)
        : m_session(session), m_sheet(sheet), m_progress(progress)
    {
    }

    // Rebuilds the worksheet for every year of the years list, each row's
    // opening looked up once: the load reads in one consistent view, so a
    // lookup run again over the rows of earlier years would only write the
    // same values again (and cost A·Y(Y+1)/2 lookups instead of A·Y).
    void LoadAccountDetails(const GridModel& years);
    // Columns 5 and 6 of the rows from firstRow on, from Acc_Opening.
    void LoadOpeningBalances(int firstRow = 1);

    // Which rows' openings appendAccounts looks up once the rows are in.
    enum class Lookups
    {
        NewRows,
        AllRows
    };
    // Appends one worksheet row per row of an accounts query: the account's
    // columns 1 to 3 as the result gives them, then what fill writes into the
    // new row (its year and totals); then closes the result and looks up the
    // openings of the new rows, or of every row. The worksheet load and year
    // creation both add accounts this way.
    using RowFill = std::function<void(int row, const RecordSet& rs)>;
    void appendAccounts(RecordSet& rs, const RowFill& fill, Lookups lookups);

private:
    // Columns 5 and 6 of a row from its lookup's result.
    void writeOpening(int row, RecordSet& rs);
    // One row appended or looked up: the bar moves by its share of the load.
    void advance();

    Session& m_session;
    GridModel& m_sheet;
    Progress& m_progress;
    LoadShare* m_share = nullptr; // during LoadAccountDetails only
};
