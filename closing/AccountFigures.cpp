#include "closing/AccountFigures.h"

#include "closing/ClosingLedger.h"
#include "core/Amounts.h"
#include "core/Numbers.h"
#include "core/Texts.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "worksheet/AccountWorksheet.h"
#include "worksheet/BalanceCalculator.h"

namespace {

// Per account the worksheet lists, the year's debits and credits, in one
// aggregate query over the year's postings. The database itself matches
// the postings to the accounts, with the equality the worksheet's own
// statement uses (A.AccountId=Dr_Account), so an id that differs from its
// postings' by a blank counts none of them here either. The sums are made
// real numbers in every row: the SQLite ODBC driver types a computed column
// by its first row, and a whole first sum would cut the fractions of all
// the others.
RecordSet accountsWithPostings(Session& session, double year)
{
    return session.query(
        QStringLiteral(
            "Select A.AccountID, Coalesce(P.Dr,0)+0.0 as Dr, Coalesce(P.Cr,0)+0.0 as Cr from "
            "Acc_Master A left join (Select AccId, Sum(Dr) as Dr, Sum(Cr) as Cr from (Select "
            "Dr_Account as AccId, Amount as Dr, 0 as Cr from Acc_transaction where "
            "Fin_Year_Id=%1 union all Select Cr_Account as AccId, 0 as Dr, Amount as Cr from "
            "Acc_transaction where Fin_Year_Id=%1) T group by AccId) P on A.AccountID=P.AccId "
            "where A.ParentID %2")
            .arg(Numbers::numberText(year), QString(AccountWorksheet::ListedParents)));
}

} // namespace

QHash<QString, const OpeningRows::Row*>
AccountFigures::firstRows(const SqlDialect& dialect, const QList<OpeningRows::Row>& rows)
{
    QHash<QString, const OpeningRows::Row*> first;
    for (const OpeningRows::Row& row : rows) {
        const QString pair = ClosingLedger::pairKey(dialect, row.account, row.year);
        if (!first.contains(pair))
            first.insert(pair, &row);
    }
    return first;
}

QList<AccountFigures::Figure> AccountFigures::compute(Session& session, const QList<double>& years,
                                                      const QList<OpeningRows::Row>& stored)
{
    const SqlDialect& dialect = session.dialect();
    const QHash<QString, const OpeningRows::Row*> first = firstRows(dialect, stored);
    QList<Figure> figures;
    for (const double year : years) {
        RecordSet rs = accountsWithPostings(session, year);
        while (!rs.eof()) {
            Figure f;
            // The id the migration writes and the lookup asks for.
            f.account = Texts::trimBlanks(rs.field(0).toString());
            f.year = year;
            f.openingSide = QStringLiteral("D");
            // None stored, or zero, reads as 0 on the debit side.
            if (const OpeningRows::Row* row =
                    first.value(ClosingLedger::pairKey(dialect, f.account, year))) {
                const double amount = Numbers::ofAnyValue(row->opening);
                if (amount != 0) {
                    f.opening = amount;
                    f.openingSide = row->openingSide;
                }
            }
            f.debit = Numbers::ofAnyValue(rs.field(1));
            f.credit = Numbers::ofAnyValue(rs.field(2));
            const BalanceCalculator::Closing closing =
                BalanceCalculator::close(f.opening, f.openingSide, f.debit, f.credit);
            f.closing = closing.amount;
            f.closingSide = closing.side;
            figures.append(f);
            rs.moveNext();
        }
        rs.close();
    }
    return figures;
}

double AccountFigures::signedOpening(const Figure& figure)
{
    return Amounts::signedBySide(figure.opening, figure.openingSide);
}

double AccountFigures::signedClosing(const Figure& figure)
{
    return Amounts::signedBySide(figure.closing, figure.closingSide);
}
