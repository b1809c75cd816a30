#include "migration/OpeningMigration.h"

#include "core/DayNumbers.h"
#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "core/Numbers.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementBatch.h"
#include "years/DateQueries.h"

#include <QLatin1String>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

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

const MigrationPlan& OpeningMigration::plan()
{
    if (!m_plan)
        m_plan = MigrationPlan::of(m_sheet, m_years);
    return *m_plan;
}

void OpeningMigration::InsertClosingBalances()
{
    StatementBatch batch(m_session);
    batch.execute(SqlStatement().append(kDelete));
    for (const MigrationPlan::Closing& row : plan().closings)
        batch.execute(SqlStatement()
                          .append(kInsert)
                          .quoted(row.account)
                          .append(kComma)
                          .number(row.year)
                          .append(kComma)
                          .number(row.closing)
                          .append(kComma)
                          .quoted(row.side)
                          .append(kClose));
    batch.flush();
}

void OpeningMigration::setOpenings(const QList<MigrationPlan::Opening>& openings)
{
    StatementBatch batch(m_session);
    for (const MigrationPlan::Opening& row : openings) {
        batch.execute(openingUpdate(row.opening, row.account, row.year));
        batch.execute(sideUpdate(row.side, row.account, row.year));
    }
    batch.flush();
}

void OpeningMigration::UpdateOpeningBalances()
{
    setOpenings(plan().ownOpenings);
}

void OpeningMigration::UpdateNextYearOpenings()
{
    setOpenings(plan().nextOpenings);
}

namespace {

// A year as the list and the table must agree on it: id, start, end, active.
using YearKey = std::array<double, 4>;

// One part of that key as stored: read as a value the migration relies on,
// except that Null is 0, as the list's empty cell for it reads.
double keyPart(const QVariant& value, bool isDate)
{
    if (value.isNull())
        return 0;
    return isDate ? DayNumbers::toDayNumber(value) : Numbers::ofRequiredValue(value);
}

} // namespace

bool OpeningMigration::yearsAsLoaded()
{
    QList<YearKey> ledger;
    RecordSet rs = m_session.query(kYears);
    while (!rs.eof()) {
        ledger.append({keyPart(rs.field(QStringLiteral("AccYearID")), false),
                       keyPart(rs.field(QStringLiteral("Acc_Yr_Start")), true),
                       keyPart(rs.field(QStringLiteral("Acc_Yr_End")), true),
                       keyPart(rs.field(QStringLiteral("Active")), false)});
        rs.moveNext();
    }
    rs.close();
    QList<YearKey> loaded;
    const GridModel& list = m_years;
    for (int r = 1; r <= list.rows(); ++r)
        loaded.append(
            {list.numberAt(GridColumns::YrId, r), list.numberAt(GridColumns::YrStartValue, r),
             list.numberAt(GridColumns::YrEndValue, r), list.numberAt(GridColumns::YrActive, r)});
    std::sort(ledger.begin(), ledger.end());
    std::sort(loaded.begin(), loaded.end());
    return ledger == loaded;
}

QHash<double, double> OpeningMigration::followingYears(const GridModel& list)
{
    QHash<qint32, double> startingOn; // whole day -> year id
    for (int r = list.rows(); r >= 1; --r)
        startingOn.insert(DayNumbers::wholeDay(list.numberAt(GridColumns::YrStartValue, r)),
                          list.numberAt(GridColumns::YrId, r));
    QHash<double, double> following;
    for (int r = 1; r <= list.rows(); ++r) {
        const qint32 dayAfter = DayNumbers::wholeDay(list.numberAt(GridColumns::YrEndValue, r)) + 1;
        const auto next = startingOn.constFind(dayAfter);
        if (next != startingOn.cend())
            following.insert(list.numberAt(GridColumns::YrId, r), *next);
    }
    return following;
}

void OpeningMigration::ResetCurrentYearClosing()
{
    Session& session = m_session;
    const QString year =
        MigrationPlan::currentYearText(DateQueries(session).GetCurrentAccYearDet());
    StatementBatch resets(session);
    resets.execute(SqlStatement().append(kResetClosing).number(year));
    resets.execute(SqlStatement().append(kResetClosingType).number(year));
    resets.flush();
}
