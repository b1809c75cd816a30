#include "tools/ledger/LedgerData.h"

#include "core/Failure.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cstdlib>

namespace {

// Separate random streams per ledger and per part of it.
enum Part : quint64
{
    ChartPart = 1,
    PostingsPart = 2,
    OpeningsPart = 3
};

quint64 ledgerBase(const QString& name)
{
    // The two ledgers built with one seed differ from each other.
    return name == QLatin1String("Bindwell") ? 16 : 0;
}

QSqlQuery prepared(const QSqlDatabase& database, const QString& sql)
{
    QSqlQuery query(database);
    if (!query.prepare(sql))
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("%1 (%2)").arg(query.lastError().text(), sql));
    return query;
}

void run(QSqlQuery& query)
{
    if (!query.exec())
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("%1 (%2)").arg(query.lastError().text(), query.lastQuery()));
}

QVariant money(qint64 paise)
{
    return QVariant(static_cast<double>(paise) / 100.0);
}

// The side a balance is stored with: 'D' for a debit or zero balance.
QString sideOf(qint64 signedPaise)
{
    return signedPaise < 0 ? QStringLiteral("C") : QStringLiteral("D");
}

} // namespace

LedgerData::LedgerData(const QSqlDatabase& database, const QString& name, const Shape& shape)
    : m_database(database), m_name(name), m_shape(shape),
      m_chart(name, shape.accounts, LedgerRandom::stream(shape.seed, ledgerBase(name) + ChartPart))
{
    const qsizetype cells = static_cast<qsizetype>(shape.years + 1) * shape.accounts;
    m_debits.fill(0, cells);
    m_credits.fill(0, cells);
}

double LedgerData::yearStart(int calendarYear)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(calendarYear, 4, 1)));
}

double LedgerData::yearEnd(int calendarYear)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(calendarYear + 1, 3, 31)));
}

qint64& LedgerData::total(QList<qint64>& totals, int year, int account)
{
    return totals[static_cast<qsizetype>(year) * m_shape.accounts + account];
}

void LedgerData::write()
{
    writeAccounts();
    writeYears();
    writePostings();
    writeOpenings();
}

void LedgerData::writeAccounts()
{
    QSqlQuery insert = prepared(
        m_database,
        QStringLiteral("INSERT INTO Acc_Master(AccountID,AccountName,ParentID) VALUES(?,?,?)"));
    for (const QList<LedgerChart::Account>* list : {&m_chart.groups(), &m_chart.accounts()}) {
        for (const LedgerChart::Account& account : *list) {
            insert.bindValue(0, account.id);
            insert.bindValue(1, account.name);
            insert.bindValue(2, account.parentId);
            run(insert);
        }
    }
}

void LedgerData::writeYears()
{
    QSqlQuery insert =
        prepared(m_database, QStringLiteral("INSERT INTO Acc_Accounting_Year(Acc_Yr_Start,"
                                            "Acc_Yr_End,Active) VALUES(?,?,?)"));
    for (int i = 0; i < m_shape.years; ++i) {
        const int calendarYear = m_shape.firstYear + i;
        if (m_shape.yearDatesAsDates) {
            insert.bindValue(0, QStringLiteral("%1-04-01 00:00:00").arg(calendarYear));
            insert.bindValue(1, QStringLiteral("%1-03-31 00:00:00").arg(calendarYear + 1));
        } else {
            insert.bindValue(0, yearStart(calendarYear));
            insert.bindValue(1, yearEnd(calendarYear));
        }
        insert.bindValue(2, i + 1 == m_shape.years ? 1 : 0);
        run(insert);
    }
}

qint64 LedgerData::randomAmount(LedgerRandom& random, int fewestDigits, int mostDigits)
{
    // Most vouchers are of a few hundred or thousand rupees; few run to lakhs.
    static constexpr int Weights[] = {10, 30, 35, 20, 5};
    int digits = fewestDigits;
    int roll = random.below(100);
    for (int d = 1; d <= 5 && d <= mostDigits; ++d) {
        if (d < fewestDigits)
            continue;
        digits = d;
        if (roll < Weights[d - 1])
            break;
        roll -= Weights[d - 1];
    }
    qint64 low = 1;
    for (int d = 1; d < digits; ++d)
        low *= 10;
    const qint64 rupees = low + static_cast<qint64>(random.below(static_cast<quint64>(low * 9)));
    const qint64 paise = random.chance(40) ? 0 : random.below(100);
    return rupees * 100 + paise;
}

void LedgerData::writePostings()
{
    if (m_shape.postings == 0 || m_chart.accounts().size() < 2)
        return;
    LedgerRandom random = LedgerRandom::stream(m_shape.seed, ledgerBase(m_name) + PostingsPart);
    QSqlQuery insert = prepared(m_database, QStringLiteral("INSERT INTO Acc_transaction("
                                                           "TransID,Amount,Dr_Account,"
                                                           "Cr_Account,Fin_Year_Id) "
                                                           "VALUES(?,?,?,?,?)"));
    const QList<LedgerChart::Account>& accounts = m_chart.accounts();
    const int count = static_cast<int>(accounts.size());
    for (qint64 i = 0; i < m_shape.postings; ++i) {
        // Vouchers are numbered in date order, so the years come one after
        // the other, evenly filled.
        const int year = 1 + static_cast<int>(i * m_shape.years / m_shape.postings);
        const int debit = random.below(count);
        int credit = random.below(count - 1);
        if (credit >= debit)
            ++credit;
        const qint64 amount = randomAmount(random, 1, 5);
        total(m_debits, year, debit) += amount;
        total(m_credits, year, credit) += amount;
        insert.bindValue(0, i + 1);
        insert.bindValue(1, money(amount));
        insert.bindValue(2, accounts[debit].id);
        insert.bindValue(3, accounts[credit].id);
        insert.bindValue(4, year);
        run(insert);
    }
}

void LedgerData::writeOpenings()
{
    LedgerRandom random = LedgerRandom::stream(m_shape.seed, ledgerBase(m_name) + OpeningsPart);
    QSqlQuery insert = prepared(m_database, QStringLiteral("INSERT INTO Acc_Opening(AccId,"
                                                           "AccYearID,Opening,OpeningType,"
                                                           "Closing,ClosingType) "
                                                           "VALUES(?,?,?,?,?,?)"));
    const QList<LedgerChart::Account>& accounts = m_chart.accounts();
    const int count = static_cast<int>(accounts.size());
    // The signed balance (debit positive) each account carries into a year;
    // in the first year the opening it was taken over with, if any.
    QList<qint64> carried(count, 0);
    QList<bool> takenOver(count, false);
    qint64 sum = 0;
    for (int a = 0; a < count; ++a) {
        // Most accounts were taken over with an opening, a few of them nil;
        // the rest have no opening row at all.
        if (!random.chance(85))
            continue;
        takenOver[a] = true;
        qint64 opening = random.chance(6) ? 0 : randomAmount(random, 3, 5);
        if (accounts[a].debitNature != random.chance(80))
            opening = -opening;
        carried[a] = opening;
        sum += opening;
    }
    // Double entry: the books taken over balance. The first account taken
    // over with an opening on the side that needs it takes up the rest.
    if (m_shape.balancedOpenings && sum != 0) {
        for (int a = 0; a < count; ++a) {
            if (takenOver[a] && (carried[a] > 0) == (sum < 0) && carried[a] != 0) {
                carried[a] -= sum;
                sum = 0;
                break;
            }
        }
        if (sum != 0) {
            for (int a = 0; a < count; ++a) {
                if (takenOver[a]) {
                    carried[a] -= sum;
                    break;
                }
            }
        }
    }
    for (int year = 1; year <= m_shape.years; ++year) {
        const bool last = year == m_shape.years;
        for (int a = 0; a < count; ++a) {
            const qint64 opening = carried[a];
            if (year == 1 && !takenOver[a]) {
                carried[a] = total(m_debits, 1, a) - total(m_credits, 1, a);
                continue;
            }
            const qint64 closing = opening + total(m_debits, year, a) - total(m_credits, year, a);
            insert.bindValue(0, accounts[a].id);
            insert.bindValue(1, year);
            insert.bindValue(2, money(std::llabs(opening)));
            insert.bindValue(3, sideOf(opening));
            // A year-end run leaves the year in force with a nil closing.
            insert.bindValue(4, money(last ? 0 : std::llabs(closing)));
            insert.bindValue(5, last ? QStringLiteral("D") : sideOf(closing));
            run(insert);
            carried[a] = closing;
        }
    }
}
