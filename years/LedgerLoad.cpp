#include "years/LedgerLoad.h"

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
