#include "migration/OpeningMigration.h"

#include "core/Conversions.h"
#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "db/DateQueries.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementBatch.h"

#include <QLatin1String>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Column = GridColumns::AccountColumn;

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

const QLatin1String kYears("Select * from Acc_Accounting_Year");

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

void OpeningMigration::InsertClosingBalances()
{
    StatementBatch batch(m_session);
    const GridModel& sheet = m_sheet;
    batch.execute(SqlStatement().append(kDelete));
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, GridColumns::AccAccountId, row);
        const QString year = numberCellText(sheet, GridColumns::AccYearId, row);
        const QString closing =
            Conversions::numberText(std::fabs(sheet.numberAt(GridColumns::AccBalance, row)));
        const QString side = textCell(sheet, GridColumns::AccType, row);
        batch.execute(SqlStatement()
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
    batch.flush();
}

void OpeningMigration::UpdateOpeningBalances()
{
    StatementBatch batch(m_session);
    const GridModel& sheet = m_sheet;
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, GridColumns::AccAccountId, row);
        const QString year = numberCellText(sheet, GridColumns::AccYearId, row);
        const QString opening = numberCellText(sheet, GridColumns::AccOpening, row);
        const QString side = textCell(sheet, GridColumns::AccOpeningType, row);
        batch.execute(openingUpdate(opening, id, year));
        batch.execute(sideUpdate(side, id, year));
    }
    batch.flush();
}

void OpeningMigration::UpdateNextYearOpenings()
{
    StatementBatch batch(m_session);
    const GridModel& sheet = m_sheet;
    const QHash<double, double> following = followingYears(m_years);
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, GridColumns::AccAccountId, row);
        const double year = sheet.numberAt(GridColumns::AccYearId, row);
        const QString nextYear = Conversions::numberText(following.value(year, year + 1));
        const QString opening = numberCellText(sheet, GridColumns::AccNextOpening, row);
        const QString side = textCell(sheet, GridColumns::AccType, row);
        batch.execute(openingUpdate(opening, id, nextYear));
        batch.execute(sideUpdate(side, id, nextYear));
    }
    batch.flush();
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
    RecordSet rs = m_session.query(kYears);
    while (!rs.eof()) {
        ledger.append({storedNumber(rs.field(QStringLiteral("AccYearID")), false),
                       storedNumber(rs.field(QStringLiteral("Acc_Yr_Start")), true),
                       storedNumber(rs.field(QStringLiteral("Acc_Yr_End")), true),
                       storedNumber(rs.field(QStringLiteral("Active")), false)});
        rs.moveNext();
    }
    rs.close();
    QList<YearKey> loaded;
    const GridModel& list = m_years;
    for (int r = 1; r <= list.rows(); ++r)
        loaded.append({list.numberAt(GridColumns::YrId, r),
                       list.numberAt(GridColumns::YrStartValue, r),
                       list.numberAt(GridColumns::YrEndValue, r),
                       list.numberAt(GridColumns::YrActive, r)});
    std::sort(ledger.begin(), ledger.end());
    std::sort(loaded.begin(), loaded.end());
    return ledger == loaded;
}

QHash<double, double> OpeningMigration::followingYears(const GridModel& list)
{
    QHash<qint32, double> startingOn; // whole day -> year id
    for (int r = list.rows(); r >= 1; --r)
        startingOn.insert(Conversions::wholeDay(list.numberAt(GridColumns::YrStartValue, r)),
                          list.numberAt(GridColumns::YrId, r));
    QHash<double, double> following;
    for (int r = 1; r <= list.rows(); ++r) {
        const qint32 dayAfter =
            Conversions::wholeDay(list.numberAt(GridColumns::YrEndValue, r)) + 1;
        const auto next = startingOn.constFind(dayAfter);
        if (next != startingOn.cend())
            following.insert(list.numberAt(GridColumns::YrId, r), *next);
    }
    return following;
}

void OpeningMigration::ResetCurrentYearClosing()
{
    Session& session = m_session;
    // The year id stays at 32 bits: a long-lived ledger may pass 32767.
    const qint32 currentYear = DateQueries(session).GetCurrentAccYearDet();
    const QString year = Conversions::numberText(currentYear);
    StatementBatch resets(session);
    resets.execute(SqlStatement().append(kResetClosing).number(year));
    resets.execute(SqlStatement().append(kResetClosingType).number(year));
    resets.flush();
}
