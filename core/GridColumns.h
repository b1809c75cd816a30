#pragma once

// The columns of the program's two grids, counted from 1: the account
// worksheet vasAccounts and the accounting-years list vasAccYear.
struct GridColumns
{
    enum AccountColumn
    {
        AccAccountId = 1,
        AccName,
        AccParentId,
        AccYearId,
        AccOpening,
        AccOpeningType,
        AccDebit,
        AccCredit,
        AccBalance,
        AccNextOpening,
        AccType
    };

    enum YearColumn
    {
        YrId = 1,
        YrStart,
        YrStartValue,
        YrEnd,
        YrEndValue,
        YrActive
    };
};
