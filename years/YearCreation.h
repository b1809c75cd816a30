#pragma once

class GridModel;
class Progress;
class Session;

// The procedures of Create Accounting Year: the checks made under the write
// lock, the next year appended to the years list, the year written to
// Acc_Accounting_Year and its accounts appended to the worksheet. The
// command (CreateYearCommand) runs them in one transaction.
class YearCreation
{
public:
    YearCreation(Session& session, GridModel& years, GridModel& sheet, Progress& progress,
                 bool yearDatesAreDates)
        : m_session(session), m_years(years), m_sheet(sheet), m_progress(progress),
          m_yearDatesAreDates(yearDatesAreDates)
    {
    }

    // Why no year may be made, as the checks under the write lock found it.
    struct Refusal
    {
        enum class Kind
        {
            None,
            YearNotOver,  // the latest year has not ended by the server's clock
            NotFollowing, // the new year would not follow the latest one
            MadeByOther,  // a later year than the list's is in the ledger already
            NoYears       // the ledger holds no year (with an end) to follow
        };
        Kind kind = Kind::None;
        double newStart = 0;
        double latestEnd = 0;
    };
    // Asks IsValidDate and checks that the year that ends up active follows
    // every year of the ledger.
    Refusal checkYear();
    // Turns the old year off (the first write) and asks IsValidDate again.
    Refusal lockActiveYear();
    // Appends the next year after every active row of the list and makes it
    // the active one; false when no row was active.
    bool appendNextYears();
    void InsertNewAccYear();
    void LoadNewYearAccounts();

private:
    void readBackId(int row);
    // The refusal for a latest year not yet over: a ledger that ends later
    // than the list has a year someone else made since the list was loaded.
    Refusal notOver(double latestEnd) const;

    Session& m_session;
    GridModel& m_years;
    GridModel& m_sheet;
    Progress& m_progress;
    bool m_yearDatesAreDates;
    // The old active year was turned off by the check, ahead of the first
    // insert.
    bool m_deactivated = false;
};
