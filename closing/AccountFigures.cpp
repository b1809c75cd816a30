#include "closing/AccountFigures.h"

#include "worksheet/LookedUpOpening.h"

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

QHash<QString, const OpeningRow*> AccountFigures::firstRows(const SqlDialect& dialect,
                                                            const QList<OpeningRow>& rows)
{
    QHash<QString, const OpeningRow*> first;
    for (const OpeningRow& row : rows) {
        const QString pair = ClosingLedger::pairKey(dialect, row.account, row.year);
        if (!first.contains(pair))
            first.insert(pair, &row);
    }
    return first;
}

QList<AccountFigures::Figure> AccountFigures::compute(Session& session, const QList<double>& years,
                                                      const QList<OpeningRow>& stored)
{
    const SqlDialect& dialect = session.dialect();
    const QHash<QString, const OpeningRow*> first = firstRows(dialect, stored);
    QList<Figure> figures;
    for (const double year : years) {
        RecordSet rs = accountsWithPostings(session, year);
        while (!rs.eof()) {
            Figure f;
            // The id the migration writes and the lookup asks for.
            f.account = Texts::trimBlanks(rs.field(0).toString());
            f.year = year;
            const OpeningRow* row = first.value(ClosingLedger::pairKey(dialect, f.account, year));
            const LookedUpOpening opening =
                row ? LookedUpOpening::read(row->opening, row->openingSide)
                    : LookedUpOpening::read({}, {});
            f.opening = opening.amount;
            f.openingSide = opening.side;
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

double AccountFigures::Figure::signedOpening() const
{
    return Amounts::signedBySide(opening, openingSide);
}

double AccountFigures::Figure::signedClosing() const
{
    return Amounts::signedBySide(closing, closingSide);
}
