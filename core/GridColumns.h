#pragma once

#include <QStringList>

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

    // The grids' column headers, as the window shows them.
    static QStringList accountHeaders()
    {
        return {QStringLiteral("AccountID"), QStringLiteral("Account Name"),
                QStringLiteral("ParentID"),  QStringLiteral("Acc Year ID"),
                QStringLiteral("Opening"),   QStringLiteral("Opening Type"),
                QStringLiteral("Debit Amt"), QStringLiteral("Credit Amt"),
                QStringLiteral("Balance"),   QStringLiteral("Next Year Opening"),
                QStringLiteral("Type")};
    }
    static QStringList yearHeaders()
    {
        return {QStringLiteral("AccYearID"),       QStringLiteral("Acc Year Start"),
                QStringLiteral("StartDate Value"), QStringLiteral("AccYear End"),
                QStringLiteral("End Date Value"),  QStringLiteral("Active")};
    }
};
