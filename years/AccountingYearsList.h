#pragma once

class GridModel;
class Session;

// Fills the accounting-years list vasAccYear from Acc_Accounting_Year.
class AccountingYearsList
{
public:
    AccountingYearsList(Session& session, GridModel& list) : m_session(session), m_list(list) {}

    void LoadAccYearDetails();

    // Whether the last load found the years' start and end stored as dates
    // (a datetime column, or date texts) rather than day numbers.
    bool yearDatesAreDates() const noexcept { return m_datesAreDates; }

private:
    Session& m_session;
    GridModel& m_list;
    bool m_datesAreDates = false;
};
