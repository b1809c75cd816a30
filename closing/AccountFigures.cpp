#include "closing/AccountFigures.h"

#include "closing/ClosingLedger.h"
#include "core/Conversions.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "worksheet/BalanceCalculator.h"

namespace {

// Per account key, the year's debits and credits.
QHash<QString, std::pair<double, double>> postingsOf(Session& session, double year)
{
    const QString id = Conversions::numberText(year);
    RecordSet rs = session.query(
        // The sums are made real numbers in every row: the SQLite ODBC driver
        // types a computed column by its first row, and a whole first sum
        // would cut the fractions of all the others.
        QStringLiteral("Select AccId, Coalesce(Sum(Dr),0)+0.0 as Dr, Coalesce(Sum(Cr),0)+0.0 as "
                       "Cr from (Select Dr_Account as "
                       "AccId, Amount as Dr, 0 as Cr from Acc_transaction where Fin_Year_Id=%1 "
                       "union all Select Cr_Account as AccId, 0 as Dr, Amount as Cr from "
                       "Acc_transaction where Fin_Year_Id=%1) P group by AccId")
            .arg(id));
    QHash<QString, std::pair<double, double>> sums;
    while (!rs.eof()) {
        auto& s = sums[ClosingLedger::accountKey(rs.field(0).toString())];
        s.first += LedgerSnapshot::amount(rs.field(1));
        s.second += LedgerSnapshot::amount(rs.field(2));
        rs.moveNext();
    }
    rs.close();
    return sums;
}

QStringList worksheetAccounts(Session& session)
{
    QStringList accounts;
    RecordSet rs = session.query(
        QStringLiteral("Select AccountID from Acc_Master where ParentID not in('P','B')"));
    while (!rs.eof()) {
        accounts.append(Conversions::trimBlanks(rs.field(0).toString()));
        rs.moveNext();
    }
    rs.close();
    return accounts;
}

} // namespace

QHash<QString, const OpeningRows::Row*>
AccountFigures::firstRows(const QList<OpeningRows::Row>& rows)
{
    QHash<QString, const OpeningRows::Row*> first;
    for (const OpeningRows::Row& row : rows) {
        const QString pair = ClosingLedger::pairKey(row.account, row.year);
        if (!first.contains(pair))
            first.insert(pair, &row);
    }
    return first;
}

QList<AccountFigures::Figure> AccountFigures::compute(Session& session, const QList<double>& years,
                                                      const QList<OpeningRows::Row>& stored)
{
    const QHash<QString, const OpeningRows::Row*> first = firstRows(stored);
    const QStringList accounts = worksheetAccounts(session);
    QList<Figure> figures;
    figures.reserve(accounts.size() * years.size());
    for (const double year : years) {
        const auto sums = postingsOf(session, year);
        for (const QString& account : accounts) {
            Figure f;
            f.account = account;
            f.year = year;
            f.openingSide = QStringLiteral("D");
            // None stored, or zero, reads as 0 on the debit side.
            if (const OpeningRows::Row* row = first.value(ClosingLedger::pairKey(account, year))) {
                const double amount = LedgerSnapshot::amount(row->opening);
                if (amount != 0) {
                    f.opening = amount;
                    f.openingSide = row->openingSide;
                }
            }
            const auto s = sums.value(ClosingLedger::accountKey(account));
            f.debit = s.first;
            f.credit = s.second;
            const double balance = Conversions::isCreditSide(f.openingSide)
                                       ? (f.debit - f.credit) - f.opening
                                       : f.opening + (f.debit - f.credit);
            f.closing = BalanceCalculator::closingOf(balance);
            f.closingSide = balance >= 0 ? QStringLiteral("D") : QStringLiteral("C");
            figures.append(f);
        }
    }
    return figures;
}

double AccountFigures::signedOpening(const Figure& figure)
{
    return Conversions::isCreditSide(figure.openingSide) ? -figure.opening : figure.opening;
}

double AccountFigures::signedClosing(const Figure& figure)
{
    return Conversions::isCreditSide(figure.closingSide) ? -figure.closing : figure.closing;
}
