#include "years/LedgerLoad.h"

#include "core/GridModel.h"
#include "worksheet/AccountWorksheet.h"
#include "years/AccountingYearsList.h"

void LedgerLoad::loadYears()
{
    AccountingYearsList years(m_session, m_years);
    years.LoadAccYearDetails();
    m_yearDatesAreDates = years.yearDatesAreDates();
}

BalanceCalculator::UnknownSides LedgerLoad::loadWorksheet(Progress& progress)
{
    AccountWorksheet(m_session, m_accounts, progress).LoadAccountDetails(m_years);
    return BalanceCalculator(m_accounts).CalculateBalances();
}

std::optional<LedgerLoad::Emptiness> LedgerLoad::emptiness(const GridModel& years,
                                                           const GridModel& accounts)
{
    if (accounts.rows() > 0)
        return std::nullopt;
    if (years.rows() == 0)
        return Emptiness{QStringLiteral("Acc_Accounting_Year holds no accounting year"),
                         QStringLiteral("Acc_Accounting_Year")};
    // Every listed year gets a row for each listed account.
    return Emptiness{QStringLiteral("Acc_Master lists no account (none whose ParentID is other "
                                    "than 'P' or 'B')"),
                     QStringLiteral("Acc_Master")};
}
