#include "years/DateQueries.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "yearend/ConnectCommand.h"
#include "yearend/RefreshCommand.h"
#include "yearend/YearEndContext.h"

#include <gtest/gtest.h>

namespace {

struct DateCase
{
    const char* name;
    const char* serverDate; // nullptr: the procedure returns no row
    bool activeYear;
    bool refreshEnables;
    bool isValidDate;
    int currentYear;
};

// Year 7 runs from 1 April 2007 (39173) to 31 March 2008 (39538).
const DateCase kCases[] = {
    {"end day 09:00", "2008-03-31 09:00:00", true, true, false, 7},
    {"end day 10:00", "2008-03-31 10:00:00", true, true, false, 7},
    {"end day noon (39538.5 is even 39538)", "2008-03-31 12:00:00", true, true, false, 7},
    {"end day 18:00 counts as the next day", "2008-03-31 18:00:00", true, true, true, 0},
    {"next day", "2008-04-01 00:00:00", true, true, true, 0},
    {"day before at noon rounds up to the end", "2008-03-30 12:00:00", true, true, false, 7},
    {"two days before at noon rounds down", "2008-03-29 12:00:00", true, false, false, 7},
    {"mid year", "2007-10-15 08:30:00", true, false, false, 7},
    {"eve of the year at noon is still before it", "2007-03-31 12:00:00", true, false, false, 0},
    {"a second after that noon", "2007-03-31 12:00:01", true, false, false, 7},
    {"no active year", "2008-03-31 09:00:00", false, true, false, 0},
    {"no row from the procedure", nullptr, true, false, false, 0},
};

class DateQueriesTest : public ::testing::TestWithParam<const char*>
{
protected:
    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};

    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--empty"), QStringLiteral("--server-date"),
                      QStringLiteral("2008-03-31T09:00")});
        ledger.execute(
            QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (7, 39173, 39538, 1)"));
    }
};

TEST_P(DateQueriesTest, ServerClockAgainstTheActiveYear)
{
    for (const DateCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ledger.execute(QStringLiteral("DELETE FROM Sys_ServerClock"));
        if (c.serverDate)
            ledger.execute(QStringLiteral("INSERT INTO Sys_ServerClock VALUES ('%1')")
                               .arg(QString::fromLatin1(c.serverDate)));
        ledger.execute(
            QStringLiteral("UPDATE Acc_Accounting_Year SET Active=%1").arg(c.activeYear ? 1 : 0));

        FakeControls controls;
        CapturingSink sink;
        YearEndContext context(controls, sink);
        controls.pharma = true;
        controls.server = road.serverName(ledger.folder());
        ConnectCommand(context).run();
        ASSERT_EQ(controls.status, QStringLiteral("Server Connected"));

        // The refresh alone decides from the clock; the connect enabled both.
        controls.migrateEnabled = controls.createEnabled = false;
        RefreshCommand(context).run();
        EXPECT_EQ(controls.migrateEnabled, c.refreshEnables);
        EXPECT_EQ(controls.createEnabled, c.refreshEnables);

        DateQueries dates(context.session());
        EXPECT_EQ(dates.IsValidDate(), c.isValidDate);
        EXPECT_EQ(dates.GetCurrentAccYearDet(), c.currentYear);
        EXPECT_EQ(dates.GetAccYearEndDate(), c.activeYear ? 39538 : 0);
        if (!c.serverDate) {
            EXPECT_EQ(dates.GetServerDate(), 0);
        }
    }
}

TEST_P(DateQueriesTest, LatestEndOfAllYearsAndTheFirstActiveRow)
{
    ledger.execute(QStringList{
        QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (8, 39539, 39903, 0)"),
        QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (9, 40000, 40100, 1)"),
        QStringLiteral("UPDATE Sys_ServerClock SET serverdate='2008-06-01 09:00:00'"),
    });
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context(controls, sink);
    controls.pharma = true;
    controls.server = road.serverName(ledger.folder());
    ConnectCommand(context).run();
    DateQueries dates(context.session());
    // Year 8 is not active, yet its end is the latest: not over yet.
    EXPECT_FALSE(dates.IsValidDate());
    // Two active rows: the first returned (7) is used, and 1 June 2008 is
    // outside it.
    EXPECT_EQ(dates.GetAccYearEndDate(), 39538);
    EXPECT_EQ(dates.GetCurrentAccYearDet(), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, DateQueriesTest, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace
