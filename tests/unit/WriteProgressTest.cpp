// While Migrate Accounts and Create Accounting Year write, the status line
// says what runs and the bar moves; at the end the texts are what they always
// were, and a refused command leaves the status line as it found it.

#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

class WriteProgressTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("40"), QStringLiteral("--years"),
                      QStringLiteral("3"), QStringLiteral("--first-year"), QStringLiteral("2005"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        window.server = road.serverName(ledger.folder());
        ASSERT_TRUE(window.connect()) << window.messages().toStdString();
        // What the window shows while each statement goes.
        window.context.setBeforeStatement([this](const QString&) {
            statuses.insert(window.controls.status);
            bars.append(window.controls.progress);
        });
    }

    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    WindowDriver window;
    QSet<QString> statuses;
    QList<int> bars;
};

TEST_P(WriteProgressTest, TheStatusLineSaysWhatRunsAndTheBarMoves)
{
    ASSERT_TRUE(window.migrate()) << window.messages().toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Migrating accounts...")));
    EXPECT_EQ(window.controls.status, QStringLiteral("Accounts Migration Completed"));
    EXPECT_EQ(window.controls.progress, 1000);
    ASSERT_FALSE(bars.isEmpty());
    EXPECT_TRUE(std::is_sorted(bars.cbegin(), bars.cend()));
    EXPECT_GT(bars[bars.size() / 2], 0);
    EXPECT_LT(bars.last(), 1000);

    statuses.clear();
    bars.clear();
    ASSERT_TRUE(window.createYear()) << window.messages().toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Creating the next accounting year...")));
    EXPECT_GT(bars[bars.size() / 2], 0);
    // Year creation has no word of its own in the status line.
    EXPECT_EQ(window.controls.status, QStringLiteral("Accounts Migration Completed"));

    // Refused (the new year has not ended): the status line as it was.
    window.controls.createEnabled = window.controls.createVisible = true;
    EXPECT_FALSE(window.createYear());
    EXPECT_EQ(window.controls.status, QStringLiteral("Accounts Migration Completed"));
}

INSTANTIATE_TEST_SUITE_P(Roads, WriteProgressTest, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace
