#include "migration/MigrationPlan.h"

#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "core/Numbers.h"
#include "core/Texts.h"
#include "migration/OpeningMigration.h"

#include <cmath>

namespace {

using G = GridColumns;

// A text cell as it goes into a statement: blanks around it dropped.
QString textCell(const GridModel& sheet, G::AccountColumn column, int row)
{
    return Texts::trimBlanks(sheet.readText(column, row));
}

QString numberCell(const GridModel& sheet, G::AccountColumn column, int row)
{
    return Numbers::numberText(sheet.numberAt(column, row));
}

} // namespace

MigrationPlan MigrationPlan::of(const GridModel& sheet, const GridModel& years)
{
    MigrationPlan plan;
    const QHash<double, double> following = OpeningMigration::followingYears(years);
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString id = textCell(sheet, G::AccAccountId, row);
        const double yearNumber = sheet.numberAt(G::AccYearId, row);
        const QString year = Numbers::numberText(yearNumber);
        const QString type = textCell(sheet, G::AccType, row);
        plan.closings.append(
            {id, year, Numbers::numberText(std::fabs(sheet.numberAt(G::AccBalance, row))), type});
        plan.ownOpenings.append({id, year, numberCell(sheet, G::AccOpening, row),
                                 textCell(sheet, G::AccOpeningType, row)});
        plan.nextOpenings.append({id,
                                  Numbers::numberText(following.value(yearNumber, yearNumber + 1)),
                                  numberCell(sheet, G::AccNextOpening, row), type});
    }
    return plan;
}

QString MigrationPlan::currentYearText(qint32 currentYear)
{
    // The year id stays at 32 bits: a long-lived ledger may pass 32767.
    return Numbers::numberText(currentYear);
}
