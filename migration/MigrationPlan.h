#pragma once

#include <QList>
#include <QString>

class GridModel;

// What Migrate Accounts writes, read once from the worksheet: every value as
// its statements carry it (ids and sides trimmed, numbers as number text).
// The migration turns the plan into statements; the closing tool's preview
// works the same plan out in memory.
class MigrationPlan
{
public:
    // Step 1: a row per worksheet row with its closing.
    struct Closing
    {
        QString account;
        QString year;
        QString closing; // the balance's magnitude
        QString side;
    };
    // Steps 2 and 3: an opening set on every row of an account and a year.
    struct Opening
    {
        QString account;
        QString year;
        QString opening;
        QString side;
    };

    // years: the accounting-years list, for the year that follows each.
    static MigrationPlan of(const GridModel& sheet, const GridModel& years);

    QList<Closing> closings;
    QList<Opening> ownOpenings;  // each row's own opening
    QList<Opening> nextOpenings; // each closing as the following year's opening
    // Step 4 sets the current year's closings to 0 "D"; which year that is,
    // the server's clock says when the step runs.
    static QString currentYearText(qint32 currentYear);
};
