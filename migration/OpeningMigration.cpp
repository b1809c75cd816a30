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
#include <algorithm>
#include <array>
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
const QString kYearsChanged = QStringLiteral(
    "The accounting years in the ledger are no longer those this window loaded: another "
    "operator has created or changed a year since you connected, so nothing was migrated.\n"
    "Connect to the server again to load the ledger as it is now, then click Migrate Accounts.");
const QLatin1String kYears("Select * from Acc_Accounting_Year");

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
    session.beginTransaction(Session::Intent::Write);
    try {
        // A worksheet without a year another operator has added since would
        // delete that year's openings and not rebuild them.
        if (!yearsAsLoaded()) {
            session.rollback();
            m_context.sink().show(kYearsChanged, MessageSink::Icon::Information);
            return;
        }
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
    const QHash<double, double> following = followingYears();
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, YearEndContext::AccAccountId, row);
        const double year = sheet.numberAt(YearEndContext::AccYearId, row);
        const QString nextYear = Conversions::numberText(following.value(year, year + 1));
        const QString opening = numberCellText(sheet, YearEndContext::AccNextOpening, row);
        const QString side = textCell(sheet, YearEndContext::AccType, row);
        session.execute(openingUpdate(opening, id, nextYear));
        session.execute(sideUpdate(side, id, nextYear));
    }
}

namespace {

// A year as the list and the table must agree on it: id, start, end, active.
using YearKey = std::array<double, 4>;

double storedNumber(const QVariant& value, bool isDate)
{
    if (value.isNull())
        return 0;
    return isDate ? Conversions::toDayNumber(value) : Conversions::toNumber(value);
}

} // namespace

bool OpeningMigration::yearsAsLoaded()
{
    QList<YearKey> ledger;
    RecordSet rs = m_context.session().query(kYears);
    while (!rs.eof()) {
        ledger.append({storedNumber(rs.field(QStringLiteral("AccYearID")), false),
                       storedNumber(rs.field(QStringLiteral("Acc_Yr_Start")), true),
                       storedNumber(rs.field(QStringLiteral("Acc_Yr_End")), true),
                       storedNumber(rs.field(QStringLiteral("Active")), false)});
        rs.moveNext();
    }
    rs.close();
    QList<YearKey> loaded;
    const GridModel& list = m_context.accYears();
    for (int r = 1; r <= list.rows(); ++r)
        loaded.append({list.numberAt(YearEndContext::YrId, r),
                       list.numberAt(YearEndContext::YrStartValue, r),
                       list.numberAt(YearEndContext::YrEndValue, r),
                       list.numberAt(YearEndContext::YrActive, r)});
    std::sort(ledger.begin(), ledger.end());
    std::sort(loaded.begin(), loaded.end());
    return ledger == loaded;
}

QHash<double, double> OpeningMigration::followingYears() const
{
    const GridModel& list = m_context.accYears();
    QHash<qint32, double> startingOn; // whole day -> year id
    for (int r = list.rows(); r >= 1; --r)
        startingOn.insert(Conversions::wholeDay(list.numberAt(YearEndContext::YrStartValue, r)),
                          list.numberAt(YearEndContext::YrId, r));
    QHash<double, double> following;
    for (int r = 1; r <= list.rows(); ++r) {
        const qint32 dayAfter =
            Conversions::wholeDay(list.numberAt(YearEndContext::YrEndValue, r)) + 1;
        const auto next = startingOn.constFind(dayAfter);
        if (next != startingOn.cend())
            following.insert(list.numberAt(YearEndContext::YrId, r), *next);
    }
    return following;
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
