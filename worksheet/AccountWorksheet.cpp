#include "worksheet/AccountWorksheet.h"

#include "app/FormControls.h"
#include "app/YearEndContext.h"
#include "db/Conversions.h"
#include "db/SqlStatement.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kProgressMax = 1000;

const QString kAccountsPrefix = QStringLiteral(
    "Select A.AccountID,A.AccountName,A.ParentID,B.AccYearID,(Select Sum(Amount)from "
    "Acc_transaction where A.AccountId=Dr_Account and Fin_Year_Id=B.AccYearID)as "
    "'DebitAmt',(Select Sum(Amount)from Acc_transaction where A.AccountId=Cr_Account and "
    "Fin_Year_Id=B.AccYearID)as 'CreditAmt' from Acc_Master A,Acc_Accounting_Year B where "
    "B.AccYearID=");
const QString kAccountsSuffix = QStringLiteral(" and  A.parentID not in('P','B')");
const QLatin1String kLookupAccount("Select * From Acc_opening Where AccID=");
const QLatin1String kLookupYear("and AccYearID=");

QVariant textOrEmpty(const QVariant& value)
{
    return value.isNull() ? QVariant(QString()) : value;
}

QVariant valueOrZero(const QVariant& value)
{
    return value.isNull() ? QVariant(0) : value;
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
    if (plain && Conversions::isNumberText(text))
        return text;
    return Conversions::numberText(Conversions::leadingNumber(text));
}

} // namespace

void AccountWorksheet::LoadAccountDetails()
{
    FormControls& controls = m_context.controls();
    GridModel& sheet = m_context.accounts();
    const GridModel& years = m_context.accYears();

    controls.setProgress(0);
    sheet.setRows(0);
    const int yearRows = years.rows();
    for (int i = 1; i <= yearRows; ++i) {
        const QString yearText = Conversions::numberText(years.numberAt(YearEndContext::YrId, i));
        RecordSet rs = m_context.session().query(kAccountsPrefix + yearText + kAccountsSuffix);
        while (!rs.eof()) {
            sheet.setRows(sheet.rows() + 1);
            const int row = sheet.rows();
            // The bar's range ends at 1000; beyond that it stays full.
            controls.setProgress(std::min(row, kProgressMax));
            writeAccount(sheet, row, rs);
            sheet.writeAt(YearEndContext::AccYearId, row,
                          valueOrZero(rs.field(QStringLiteral("AccYearID"))));
            sheet.writeAt(YearEndContext::AccDebit, row,
                          valueOrZero(rs.field(QStringLiteral("DebitAmt"))));
            sheet.writeAt(YearEndContext::AccCredit, row,
                          valueOrZero(rs.field(QStringLiteral("CreditAmt"))));
            controls.keepPainting();
            rs.moveNext();
        }
        // Closed before the lookups: a server without multiple active result
        // sets refuses a second query while one is still open.
        rs.close();
        LoadOpeningBalances();
    }
    controls.setProgress(kProgressMax);
}

void AccountWorksheet::writeAccount(GridModel& sheet, int row, const RecordSet& rs)
{
    sheet.writeAt(YearEndContext::AccAccountId, row,
                  textOrEmpty(rs.field(QStringLiteral("AccountID"))));
    sheet.writeAt(YearEndContext::AccName, row,
                  textOrEmpty(rs.field(QStringLiteral("AccountName"))));
    sheet.writeAt(YearEndContext::AccParentId, row,
                  textOrEmpty(rs.field(QStringLiteral("ParentID"))));
}

void AccountWorksheet::LoadOpeningBalances()
{
    FormControls& controls = m_context.controls();
    GridModel& sheet = m_context.accounts();
    Session& session = m_context.session();
    const QString opening = QStringLiteral("Opening");
    const QString zeroSide = QStringLiteral("D");

    const int rows = sheet.rows();
    for (int i = 1; i <= rows; ++i) {
        const QString account =
            Conversions::trimBlanks(sheet.readText(YearEndContext::AccAccountId, i));
        const QString year = sheet.readText(YearEndContext::AccYearId, i);
        RecordSet rs = session.query(SqlStatement()
                                         .append(kLookupAccount)
                                         .quoted(account)
                                         .append(kLookupYear)
                                         .number(yearTextForSql(year)));
        if (rs.eof()) {
            sheet.writeAt(YearEndContext::AccOpening, i, 0);
            sheet.writeAt(YearEndContext::AccOpeningType, i, zeroSide);
        } else {
            sheet.writeAt(YearEndContext::AccOpening, i, valueOrZero(rs.field(opening)));
            const double amount = sheet.numberAt(YearEndContext::AccOpening, i);
            if (std::fabs(amount) > 0) {
                // A missing side is left empty; the balance computation counts
                // it as debit and tells the operator.
                const QVariant side = rs.field(QStringLiteral("OpeningType"));
                sheet.writeAt(YearEndContext::AccOpeningType, i,
                              side.isNull() ? QVariant(QString())
                                            : rs.field(QStringLiteral("OpeningTYpe")));
            } else {
                sheet.writeAt(YearEndContext::AccOpeningType, i, zeroSide);
            }
        }
        if (Conversions::trimBlanks(sheet.readText(YearEndContext::AccOpening, i)).isEmpty()) {
            sheet.writeAt(YearEndContext::AccOpening, i, 0);
            sheet.writeAt(YearEndContext::AccOpeningType, i, zeroSide);
        }
        rs.close();
        controls.keepPainting();
    }
}
