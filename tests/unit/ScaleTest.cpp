#include "yearend/YearEndContext.h"
#include "yearend/ConnectCommand.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

using C = YearEndContext;

// 3,000 accounts over 12 years: 36,000 worksheet rows, past any 16-bit limit.
TEST(Scale, ThirtySixThousandRowsLoadAndCompute)
{
    LedgerFixture ledger;
    ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                  QStringLiteral("--accounts"), QStringLiteral("3000"), QStringLiteral("--years"),
                  QStringLiteral("12"), QStringLiteral("--postings"), QStringLiteral("24000"),
                  QStringLiteral("--first-year"), QStringLiteral("1996"),
                  QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:00")});
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context(controls, sink);
    controls.pharma = true;
    controls.server = ledger.serverName();
    ConnectCommand(context).run();
    ASSERT_TRUE(sink.messages.isEmpty()) << sink.texts().join(u'\n').toStdString();

    const GridModel& sheet = context.accounts();
    ASSERT_EQ(sheet.rows(), 36000);
    EXPECT_EQ(context.accYears().rows(), 12);
    EXPECT_EQ(controls.maxProgress, 1000) << "the bar stays within its range";
    EXPECT_EQ(controls.progress, 1000);
    EXPECT_TRUE(controls.migrateEnabled);

    // The last year's rows are past 32,767 and complete; every row is closed.
    QSet<QString> lastYear;
    for (int r = 33001; r <= 36000; ++r) {
        ASSERT_EQ(sheet.readText(C::AccYearId, r), QStringLiteral("12")) << r;
        lastYear.insert(sheet.readText(C::AccAccountId, r));
    }
    EXPECT_EQ(lastYear.size(), 3000);
    for (int r = 1; r <= 36000; r += 997) {
        const QString type = sheet.readText(C::AccType, r);
        ASSERT_TRUE(type == u"D" || type == u"C") << r;
        ASSERT_FALSE(sheet.readText(C::AccBalance, r).isEmpty()) << r;
    }

    // The ledger's own carried openings agree with the worksheet's closings:
    // the last row's opening of year 12 is its year-11 balance.
    const QString account = sheet.readText(C::AccAccountId, 36000);
    for (int r = 32001; r <= 33000; ++r) {
        if (sheet.readText(C::AccAccountId, r) != account)
            continue;
        EXPECT_EQ(sheet.readText(C::AccNextOpening, r), sheet.readText(C::AccOpening, 36000));
        EXPECT_EQ(sheet.readText(C::AccType, r), sheet.readText(C::AccOpeningType, 36000));
    }
}

} // namespace
