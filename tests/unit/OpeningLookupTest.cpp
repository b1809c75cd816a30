// Each worksheet row's opening is looked up once per load. The rows of
// earlier years were looked up again after every later year; in one read
// view that only wrote the same values again. The worksheet must be cell for
// cell what those reruns left: here the rerun over every row is made after
// the load, on a copy, and compared, on ledgers with duplicate openings,
// openings changed since the last migration and ids that differ by blanks.

#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"
#include "worksheet/AccountWorksheet.h"

#include <gtest/gtest.h>

namespace {

class Quiet : public Progress
{
public:
    void setProgress(int) override {}
};

class OpeningLookup : public ::testing::TestWithParam<const char*>
{
protected:
    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};

    void build(int years)
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("7"), QStringLiteral("--years"),
                      QString::number(years), QStringLiteral("--postings"), QStringLiteral("150"),
                      QStringLiteral("--first-year"), QStringLiteral("2002"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
    }

    // Loads the worksheet as the connect does, then runs the lookup again
    // over every row of a copy: the two must not differ in any cell.
    void expectSameAsReruns()
    {
        WindowDriver window(road.serverName(ledger.folder()));
        // A side neither D nor C is reported, and the load still whole.
        window.connect();
        ASSERT_TRUE(window.context.isWorksheetSound()) << window.messages().toStdString();
        GridModel& loaded = window.context.accounts();
        ASSERT_GT(loaded.rows(), 0);
        GridModel reruns(YearEndContext::accountHeaders());
        reruns.restore(loaded.save());
        Quiet quiet;
        AccountWorksheet(window.context.session(), reruns, quiet).LoadOpeningBalances();
        for (int r = 1; r <= loaded.rows(); ++r)
            for (int c = 1; c <= loaded.columns(); ++c)
                ASSERT_EQ(loaded.value(c, r), reruns.value(c, r))
                    << "row " << r << ", column " << c;
    }
};

TEST_P(OpeningLookup, GeneratedLedgersAreAsTheRerunsLeftThem)
{
    for (const int years : {1, 2, 5}) {
        build(years);
        expectSameAsReruns();
    }
}

TEST_P(OpeningLookup, DuplicateChangedAndLooselyNamedOpeningsAreAsTheRerunsLeftThem)
{
    build(4);
    ledger.execute(QStringList{
        // A second opening for a pair, and a third with another side.
        QStringLiteral("INSERT INTO Acc_Opening SELECT AccId, AccYearID, Opening + 11, "
                       "OpeningType, Closing, ClosingType FROM Acc_Opening WHERE AccYearID=2"),
        QStringLiteral("INSERT INTO Acc_Opening VALUES('1003', 3, 5.5, 'c', 0, 'D')"),
        // Openings changed since the last migration.
        QStringLiteral("UPDATE Acc_Opening SET Opening = Opening * 2 + 0.005 WHERE AccYearID=3"),
        QStringLiteral("UPDATE Acc_Opening SET OpeningType = NULL WHERE AccId='1002'"),
        // An opening kept under the id with blanks and another letter case.
        QStringLiteral("UPDATE Acc_Opening SET AccId=' 1004 ' WHERE AccId='1004' AND "
                       "AccYearID=4"),
        QStringLiteral("DELETE FROM Acc_Opening WHERE AccId='1005' AND AccYearID=1")});
    expectSameAsReruns();
}

INSTANTIATE_TEST_SUITE_P(Roads, OpeningLookup, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace
