#include "worksheet/AccountWorksheet.h"

#include "worksheet/LookedUpOpening.h"

#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "core/Numbers.h"
#include "core/Progress.h"
#include "core/Texts.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementBatch.h"
#include "worksheet/LoadShare.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kAccountsPrefix = QStringLiteral(
    "Select A.AccountID,A.AccountName,A.ParentID,B.AccYearID,(Select Sum(Amount)from "
    "Acc_transaction where A.AccountId=Dr_Account and Fin_Year_Id=B.AccYearID)as "
    "'DebitAmt',(Select Sum(Amount)from Acc_transaction where A.AccountId=Cr_Account and "
    "Fin_Year_Id=B.AccYearID)as 'CreditAmt' from Acc_Master A,Acc_Accounting_Year B where "
    "B.AccYearID=");
const QString kAccountsSuffix =
    QStringLiteral(" and  A.parentID ") + AccountWorksheet::ListedParents;
const QLatin1String kLookupAccount("Select * From Acc_opening Where AccID=");
const QLatin1String kLookupYear("and AccYearID=");

QVariant valueOrZero(const QVariant& value)
{
    return value.isNull() ? QVariant(0) : value;
}

// The cells a result row fills, each a field as it comes, or what stands in
// for Null.
struct FieldCell
{
    int column;
    const char* field;
    QVariant ifNull;
};

void writeFields(GridModel& sheet, int row, const RecordSet& rs,
                 std::initializer_list<FieldCell> cells)
{
    for (const FieldCell& cell : cells) {
        const QVariant value = rs.field(QLatin1String(cell.field));
        sheet.writeAt(cell.column, row, value.isNull() ? cell.ifNull : value);
    }
}

// The year text of a worksheet row goes into the lookup as it reads; only a
// text that is not a plain number is replaced by its number text, so that no
// cell can change the statement.
QString yearTextForSql(const QString& text)
{
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || c == u'.' || c == u'+' || c == u'-' || c == u'e' ||
               c == u'E';
    });
    if (plain && Numbers::isNumberText(text))
        return text;
    return Numbers::numberText(Numbers::ofCellText(text));
}

} // namespace

void AccountWorksheet::LoadAccountDetails(const GridModel& years)
{
    m_progress.setProgress(0);
    m_sheet.setRows(0);
    const int yearRows = years.rows();
    LoadShare share(yearRows);
    m_share = &share;
    for (int i = 1; i <= yearRows; ++i) {
        const QString yearText = Numbers::numberText(years.numberAt(GridColumns::YrId, i));
        RecordSet rs = m_session.query(kAccountsPrefix + yearText + kAccountsSuffix);
        appendAccounts(
            rs,
            [this](int row, const RecordSet& account) {
                writeFields(m_sheet, row, account,
                            {{GridColumns::AccYearId, "AccYearID", 0},
                             {GridColumns::AccDebit, "DebitAmt", 0},
                             {GridColumns::AccCredit, "CreditAmt", 0}});
            },
            Lookups::NewRows);
    }
    m_share = nullptr;
    m_progress.setProgress(LoadShare::Max);
}

void AccountWorksheet::advance()
{
    if (!m_share)
        return;
    m_share->step();
    m_progress.setProgress(m_share->value());
}

void AccountWorksheet::appendAccounts(RecordSet& rs, const RowFill& fill, Lookups lookups)
{
    const int before = m_sheet.rows();
    while (!rs.eof()) {
        m_sheet.setRows(m_sheet.rows() + 1);
        const int row = m_sheet.rows();
        writeFields(m_sheet, row, rs,
                    {{GridColumns::AccAccountId, "AccountID", QString()},
                     {GridColumns::AccName, "AccountName", QString()},
                     {GridColumns::AccParentId, "ParentID", QString()}});
        fill(row, rs);
        advance();
        m_progress.keepPainting();
        rs.moveNext();
    }
    if (m_share)
        m_share->yearLoaded(m_sheet.rows() - before);
    // Closed before the lookups: a server without multiple active result
    // sets refuses a second query while one is still open.
    rs.close();
    LoadOpeningBalances(lookups == Lookups::NewRows ? before + 1 : 1);
}

void AccountWorksheet::LoadOpeningBalances(int firstRow)
{
    StatementBatch lookups(m_session);
    const int rows = m_sheet.rows();
    for (int i = std::max(1, firstRow); i <= rows; ++i) {
        const QString account = Texts::trimBlanks(m_sheet.readText(GridColumns::AccAccountId, i));
        const QString year = m_sheet.readText(GridColumns::AccYearId, i);
        lookups.query(SqlStatement()
                          .append(kLookupAccount)
                          .quoted(account)
                          .append(kLookupYear)
                          .number(yearTextForSql(year)),
                      [this, i](RecordSet& rs) { writeOpening(i, rs); });
    }
    lookups.flush();
}

void AccountWorksheet::writeOpening(int row, RecordSet& rs)
{
    const QVariant stored = rs.eof() ? QVariant() : rs.field(QStringLiteral("Opening"));
    const LookedUpOpening opening = LookedUpOpening::read(
        stored, rs.eof() ? QVariant() : rs.field(QStringLiteral("OpeningType")));
    // The cell keeps the amount as stored, so one that is no number can be
    // named later; a blank one is 0.
    const QVariant cell = valueOrZero(stored);
    const bool blank = Texts::trimBlanks(GridModel::textOf(cell)).isEmpty();
    m_sheet.writeAt(GridColumns::AccOpening, row, blank ? QVariant(0) : cell);
    m_sheet.writeAt(GridColumns::AccOpeningType, row, opening.side);
    rs.close();
    advance();
    m_progress.keepPainting();
}
