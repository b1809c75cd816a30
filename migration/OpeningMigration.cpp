#include "migration/OpeningMigration.h"

#include "app/FormControls.h"
#include "app/GridModel.h"
#include "app/MessageSink.h"
#include "app/YearEndContext.h"
#include "db/Conversions.h"
#include "db/DateQueries.h"
#include "db/Session.h"

#include <QLatin1String>
#include <cmath>

namespace {

using Column = YearEndContext::AccountColumn;

// The fixed pieces of the statements, letter case and blanks as the ledger's
// own tools have always sent them.
const QLatin1String kDelete("Delete from Acc_Opening");
const QLatin1String kInsert("iNSERT INTO aCC_OPENING(AccId,AccYearID,Closing,ClosingType)values('");
const QLatin1String kQuoteComma("',");
const QLatin1String kComma(",");
const QLatin1String kCommaQuote(",'");
const QLatin1String kQuoteClose("')");
const QLatin1String kSetOpening("Update aCC_OPENING Set Opening=");
const QLatin1String kSetOpeningType("Update aCC_OPENING Set OpeningType='");
const QLatin1String kWhereAfterNumber(" where AccId='");
const QLatin1String kWhereAfterText("' where AccId='");
const QLatin1String kAndYear("' and AccYearID=");
const QLatin1String kResetClosing("Update Acc_opening set Closing=0 where AccYearID=");
const QLatin1String kResetClosingType("Update Acc_opening set ClosingType='");
const QLatin1String kDebit("D");
const QLatin1String kWhereYear("' where AccYearID=");

const QString kNotConnected =
    QStringLiteral("There is no open connection to the ledger, so nothing was migrated.\n"
                   "Connect to the server again, then click Migrate Accounts.");
const QString kUnsoundWorksheet = QStringLiteral(
    "The account worksheet is incomplete: the last refresh or year creation did not finish, "
    "so nothing was migrated.\n"
    "Connect to the server again to reload the worksheet, then click Migrate Accounts.");

// A cell as SQL text: blanks around it dropped, single quotes doubled.
QString quotedCell(const GridModel& sheet, Column column, int row)
{
    return Conversions::sqlText(Conversions::trimBlanks(sheet.readText(column, row)));
}

// A cell's numeric value. A cell holding a double reads back as its exact
// text, whose leading-number reading is that double again, so it is taken as
// it is; everything else goes through the text.
double numberCell(const GridModel& sheet, Column column, int row)
{
    const QVariant cell = sheet.value(column, row);
    if (cell.typeId() == QMetaType::Double) {
        const double value = cell.toDouble();
        if (std::isfinite(value))
            return value;
    }
    return Conversions::leadingNumber(sheet.readText(column, row));
}

QString numberCellText(const GridModel& sheet, Column column, int row)
{
    return Conversions::numberText(numberCell(sheet, column, row));
}

// "<set><value><where><id>' and AccYearID=<year>", the shape of every update
// of steps 2 and 3.
QString rowUpdate(QLatin1String set, const QString& value, QLatin1String where, const QString& id,
                  const QString& year)
{
    QString sql;
    sql.reserve(set.size() + value.size() + where.size() + id.size() + kAndYear.size() +
                year.size());
    sql.append(set).append(value).append(where).append(id).append(kAndYear).append(year);
    return sql;
}

} // namespace

void OpeningMigration::run()
{
    Session& session = m_context.session();
    if (!session.isOpen()) {
        m_context.sink().show(kNotConnected, MessageSink::Icon::Information);
        return;
    }
    if (!m_context.isWorksheetSound()) {
        m_context.sink().show(kUnsoundWorksheet, MessageSink::Icon::Information);
        return;
    }

    // The delete of step 1 would otherwise leave the ledger without openings
    // if a later statement failed or the program died: everything or nothing.
    session.beginTransaction();
    try {
        InsertClosingBalances();
        UpdateOpeningBalances();
        UpdateNextYearOpenings();
        ResetCurrentYearClosing();
        session.commit();
    } catch (...) {
        session.rollback();
        throw;
    }

    m_context.controls().setMigrateEnabled(false);
    m_context.controls().setStatusText(QStringLiteral("Accounts Migration Completed"));
}

void OpeningMigration::InsertClosingBalances()
{
    Session& session = m_context.session();
    const GridModel& sheet = m_context.accounts();
    session.execute(kDelete);
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = quotedCell(sheet, YearEndContext::AccAccountId, row);
        const QString year = numberCellText(sheet, YearEndContext::AccYearId, row);
        const QString closing =
            Conversions::numberText(std::fabs(numberCell(sheet, YearEndContext::AccBalance, row)));
        const QString side = quotedCell(sheet, YearEndContext::AccType, row);

        QString sql;
        sql.reserve(kInsert.size() + id.size() + kQuoteComma.size() + year.size() + kComma.size() +
                    closing.size() + kCommaQuote.size() + side.size() + kQuoteClose.size());
        sql.append(kInsert)
            .append(id)
            .append(kQuoteComma)
            .append(year)
            .append(kComma)
            .append(closing)
            .append(kCommaQuote)
            .append(side)
            .append(kQuoteClose);
        session.execute(sql);
    }
}

void OpeningMigration::UpdateOpeningBalances()
{
    Session& session = m_context.session();
    const GridModel& sheet = m_context.accounts();
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = quotedCell(sheet, YearEndContext::AccAccountId, row);
        const QString year = numberCellText(sheet, YearEndContext::AccYearId, row);
        const QString opening = numberCellText(sheet, YearEndContext::AccOpening, row);
        const QString side = quotedCell(sheet, YearEndContext::AccOpeningType, row);
        session.execute(rowUpdate(kSetOpening, opening, kWhereAfterNumber, id, year));
        session.execute(rowUpdate(kSetOpeningType, side, kWhereAfterText, id, year));
    }
}

void OpeningMigration::UpdateNextYearOpenings()
{
    Session& session = m_context.session();
    const GridModel& sheet = m_context.accounts();
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = quotedCell(sheet, YearEndContext::AccAccountId, row);
        const QString nextYear =
            Conversions::numberText(numberCell(sheet, YearEndContext::AccYearId, row) + 1);
        const QString opening = numberCellText(sheet, YearEndContext::AccNextOpening, row);
        const QString side = quotedCell(sheet, YearEndContext::AccType, row);
        session.execute(rowUpdate(kSetOpening, opening, kWhereAfterNumber, id, nextYear));
        session.execute(rowUpdate(kSetOpeningType, side, kWhereAfterText, id, nextYear));
    }
}

void OpeningMigration::ResetCurrentYearClosing()
{
    Session& session = m_context.session();
    // The year id stays at 32 bits: a long-lived ledger may pass 32767.
    const qint32 currentYear = DateQueries(session).GetCurrentAccYearDet();
    const QString year = Conversions::numberText(currentYear);

    QString closing;
    closing.reserve(kResetClosing.size() + year.size());
    closing.append(kResetClosing).append(year);
    session.execute(closing);

    QString closingType;
    closingType.reserve(kResetClosingType.size() + kDebit.size() + kWhereYear.size() + year.size());
    closingType.append(kResetClosingType).append(kDebit).append(kWhereYear).append(year);
    session.execute(closingType);
}
