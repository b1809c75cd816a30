#include "migration/OpeningMigration.h"

#include "app/FormControls.h"
#include "app/GridModel.h"
#include "app/MessageSink.h"
#include "app/YearEndContext.h"
#include "db/Conversions.h"
#include "db/DateQueries.h"
#include "db/Session.h"
#include "db/SqlStatement.h"

#include <QLatin1String>
#include <cmath>

namespace {

using Column = YearEndContext::AccountColumn;

// The fixed pieces of the statements, letter case and blanks as the ledger's
// own tools have always sent them.
const QLatin1String kDelete("Delete from Acc_Opening");
const QLatin1String kInsert("iNSERT INTO aCC_OPENING(AccId,AccYearID,Closing,ClosingType)values(");
const QLatin1String kComma(",");
const QLatin1String kClose(")");
const QLatin1String kSetOpening("Update aCC_OPENING Set Opening=");
const QLatin1String kSetOpeningType("Update aCC_OPENING Set OpeningType=");
const QLatin1String kWhereAccount(" where AccId=");
const QLatin1String kAndYear(" and AccYearID=");
const QLatin1String kResetClosing("Update Acc_opening set Closing=0 where AccYearID=");
const QLatin1String kResetClosingType("Update Acc_opening set ClosingType='D' where AccYearID=");

const QString kNotConnected =
    QStringLiteral("There is no open connection to the ledger, so nothing was migrated.\n"
                   "Connect to the server again, then click Migrate Accounts.");
const QString kUnsoundWorksheet = QStringLiteral(
    "The account worksheet is incomplete: the last refresh or year creation did not finish, "
    "so nothing was migrated.\n"
    "Connect to the server again to reload the worksheet, then click Migrate Accounts.");

// A text cell as it goes into a statement: blanks around it dropped.
QString textCell(const GridModel& sheet, Column column, int row)
{
    return Conversions::trimBlanks(sheet.readText(column, row));
}

QString numberCellText(const GridModel& sheet, Column column, int row)
{
    return Conversions::numberText(sheet.numberAt(column, row));
}

// The two updates of every row in steps 2 and 3: "<set><value> where
// AccId='<id>' and AccYearID=<year>".
SqlStatement openingUpdate(const QString& opening, const QString& id, const QString& year)
{
    SqlStatement update;
    update.append(kSetOpening).number(opening);
    update.append(kWhereAccount).quoted(id).append(kAndYear).number(year);
    return update;
}

SqlStatement sideUpdate(const QString& side, const QString& id, const QString& year)
{
    SqlStatement update;
    update.append(kSetOpeningType).quoted(side);
    update.append(kWhereAccount).quoted(id).append(kAndYear).number(year);
    return update;
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
        const QString id = textCell(sheet, YearEndContext::AccAccountId, row);
        const QString year = numberCellText(sheet, YearEndContext::AccYearId, row);
        const QString closing =
            Conversions::numberText(std::fabs(sheet.numberAt(YearEndContext::AccBalance, row)));
        const QString side = textCell(sheet, YearEndContext::AccType, row);
        session.execute(SqlStatement()
                            .append(kInsert)
                            .quoted(id)
                            .append(kComma)
                            .number(year)
                            .append(kComma)
                            .number(closing)
                            .append(kComma)
                            .quoted(side)
                            .append(kClose));
    }
}

void OpeningMigration::UpdateOpeningBalances()
{
    Session& session = m_context.session();
    const GridModel& sheet = m_context.accounts();
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, YearEndContext::AccAccountId, row);
        const QString year = numberCellText(sheet, YearEndContext::AccYearId, row);
        const QString opening = numberCellText(sheet, YearEndContext::AccOpening, row);
        const QString side = textCell(sheet, YearEndContext::AccOpeningType, row);
        session.execute(openingUpdate(opening, id, year));
        session.execute(sideUpdate(side, id, year));
    }
}

void OpeningMigration::UpdateNextYearOpenings()
{
    Session& session = m_context.session();
    const GridModel& sheet = m_context.accounts();
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, YearEndContext::AccAccountId, row);
        const QString nextYear =
            Conversions::numberText(sheet.numberAt(YearEndContext::AccYearId, row) + 1);
        const QString opening = numberCellText(sheet, YearEndContext::AccNextOpening, row);
        const QString side = textCell(sheet, YearEndContext::AccType, row);
        session.execute(openingUpdate(opening, id, nextYear));
        session.execute(sideUpdate(side, id, nextYear));
    }
}

void OpeningMigration::ResetCurrentYearClosing()
{
    Session& session = m_context.session();
    // The year id stays at 32 bits: a long-lived ledger may pass 32767.
    const qint32 currentYear = DateQueries(session).GetCurrentAccYearDet();
    const QString year = Conversions::numberText(currentYear);
    session.execute(SqlStatement().append(kResetClosing).number(year));
    session.execute(SqlStatement().append(kResetClosingType).number(year));
}
