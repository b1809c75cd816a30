#pragma once

#include "migration/MigrationPlan.h"

#include <QHash>
#include <optional>

class GridModel;
class Session;

// The steps of Migrate Accounts, which rebuild Acc_Opening from the account
// worksheet, and the check made before them. The command (MigrateCommand)
// runs them in one transaction.
class OpeningMigration
{
public:
    OpeningMigration(Session& session, const GridModel& sheet, const GridModel& years)
        : m_session(session), m_sheet(sheet), m_years(years)
    {
    }

    // Whether Acc_Accounting_Year still holds the years the worksheet was
    // loaded with (read inside the command's transaction).
    bool yearsAsLoaded();

    void InsertClosingBalances();
    void UpdateOpeningBalances();
    void UpdateNextYearOpenings();
    void ResetCurrentYearClosing();

    // The id of the year that follows each listed year: the one that starts
    // the day after it ends. A year without one is followed by its id plus 1.
    static QHash<double, double> followingYears(const GridModel& years);

private:
    // Read from the worksheet once, at the first step.
    const MigrationPlan& plan();
    void setOpenings(const QList<MigrationPlan::Opening>& openings);

    Session& m_session;
    const GridModel& m_sheet;
    const GridModel& m_years;
    std::optional<MigrationPlan> m_plan;
};
