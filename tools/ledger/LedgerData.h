#pragma once

#include "tools/ledger/LedgerChart.h"

#include <QList>
#include <QSqlDatabase>
#include <QtGlobal>

// The rows of one ledger: the chart of accounts, the accounting years, the
// postings and the openings. Amounts are whole numbers of paise (cents), so
// every carried balance is exact and two decimals long.
class LedgerData
{
public:
    struct Shape
    {
        int accounts = 0;
        int years = 1;
        qint64 postings = 0;
        int firstYear = 2000;
        quint64 seed = 0;
        // Years' start and end as date texts ('YYYY-MM-DD HH:MM:SS', as a
        // datetime column holds them) instead of day numbers.
        bool yearDatesAsDates = false;
        // The first year's openings sum to zero, so every year's do.
        bool balancedOpenings = true;
    };

    LedgerData(const QSqlDatabase& database, const QString& name, const Shape& shape);

    // Writes all rows; the caller holds the transaction.
    void write();

    // Day numbers (days since 30 December 1899) of 1 April of a year and of
    // the 31 March that ends the accounting year begun then.
    static double yearStart(int calendarYear);
    static double yearEnd(int calendarYear);

private:
    void writeAccounts();
    void writeYears();
    void writePostings();
    void writeOpenings();
    qint64 randomAmount(LedgerRandom& random, int fewestDigits, int mostDigits);
    qint64& total(QList<qint64>& totals, int year, int account);

    QSqlDatabase m_database;
    QString m_name;
    Shape m_shape;
    LedgerChart m_chart;
    // Debit and credit totals per year (1-based) and account, in paise.
    QList<qint64> m_debits;
    QList<qint64> m_credits;
};
