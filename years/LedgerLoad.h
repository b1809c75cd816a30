#pragma once

#include "worksheet/BalanceCalculator.h"

#include <QString>
#include <optional>

class GridModel;
class Progress;
class Session;

// The ledger loaded as the refresh loads it, for the window and the closing
// tool alike: the accounting-years list from Acc_Accounting_Year, then the
// worksheet of every listed year with its openings, then its balances. The
// caller holds the read view (Transaction::forReads) around both steps and
// what it reads between them.
class LedgerLoad
{
public:
    LedgerLoad(Session& session, GridModel& years, GridModel& accounts)
        : m_session(session), m_years(years), m_accounts(accounts)
    {
    }

    // LoadAccYearDetails.
    void loadYears();
    // LoadAccountDetails (with LoadOpeningBalances), then CalculateBalances.
    BalanceCalculator::UnknownSides loadWorksheet(Progress& progress);

    // Why a loaded worksheet holds no row: the ledger has no year, or no
    // account the worksheet lists. Nothing when it has rows. A migration of
    // such a worksheet would delete every opening and write none.
    struct Emptiness
    {
        QString cause; // "Acc_Master lists no account (...)"
        QString table; // the table to look at
    };
    static std::optional<Emptiness> emptiness(const GridModel& years, const GridModel& accounts);

    // Whether the years' start and end came as dates rather than day numbers.
    bool yearDatesAreDates() const noexcept { return m_yearDatesAreDates; }

private:
    Session& m_session;
    GridModel& m_years;
    GridModel& m_accounts;
    bool m_yearDatesAreDates = false;
};
