#include "years/YearCreation.h"
#include "tests/unit/YearCreationFixture.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

using C = YearEndContext;

class YearCreationTest : public YearCreationFixture
{
};

struct Appended
{
    int id; // the old id plus 1: the table's own where no year was deleted
    double start;
    double end;
    QDate startDate;
    QDate endDate;
};

struct DateCase
{
    const char* name;
    QList<YearRow> years;
    const char* clock;
    QList<Appended> appended; // empty: nothing appended
    QStringList statements;   // the writes, in order
    bool message;             // the "year not over" message instead of a creation
};

TEST_P(YearCreationTest, DateEdgeCases)
{
    const YearRow april2007{7, 39173, 39538, 1};
    const Appended april2008{8, 39539, 39903, QDate(2008, 4, 1), QDate(2009, 3, 31)};
    const QStringList createsApril2008{kDeactivate, insertFor("39539,39903,1")};
    const QList<DateCase> cases = {
        {"after 31 March 2008",
         {april2007},
         "2008-04-01 09:00:00",
         {april2008},
         createsApril2008,
         false},
        {"after 31 December 2008: fifteen months",
         {{7, 39539, 39813, 1}},
         "2009-01-02 10:00:00",
         {{8, 39814, 40268, QDate(2009, 1, 1), QDate(2010, 3, 31)}},
         {kDeactivate, insertFor("39814,40268,1")},
         false},
        {"after 31 January 2009",
         {{7, 39539, 39844, 1}},
         "2009-02-10 10:00:00",
         {{8, 39845, 40268, QDate(2009, 2, 1), QDate(2010, 3, 31)}},
         {kDeactivate, insertFor("39845,40268,1")},
         false},
        {"after 31 March 2009",
         {{7, 39539, 39903, 1}},
         "2009-04-01 00:00:00",
         {{8, 39904, 40268, QDate(2009, 4, 1), QDate(2010, 3, 31)}},
         {kDeactivate, insertFor("39904,40268,1")},
         false},
        {"last day before noon", {april2007}, "2008-03-31 10:00:00", {}, {}, true},
        {"last day at noon: half-way goes to the even day",
         {april2007},
         "2008-03-31 12:00:00",
         {},
         {},
         true},
        {"last day after noon counts as the next day",
         {april2007},
         "2008-03-31 18:00:00",
         {april2008},
         createsApril2008,
         false},
        {"middle of the year", {april2007}, "2007-10-01 10:00:00", {}, {}, true},
        {"no active row", {{7, 39173, 39538, 0}}, "2008-04-15 10:00:00", {}, {}, false},
        {"two active rows",
         {{6, 38808, 39172, 1}, april2007},
         "2008-04-15 10:00:00",
         {{7, 39173, 39538, QDate(2007, 4, 1), QDate(2008, 3, 31)}, april2008},
         {kDeactivate, insertFor("39173,39538,1"), kDeactivate, insertFor("39539,39903,1")},
         false},
        {"fractional end written as its number text",
         {{7, 39173, 39538.75, 1}},
         "2008-04-02 10:00:00",
         {{8, 39539.75, 39903, QDate(2008, 4, 1), QDate(2009, 3, 31)}},
         {kDeactivate, insertFor("39539.75,39903,1")},
         false},
    };

    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.name);
        setYears(c.years);
        setClock(QString::fromLatin1(c.clock));
        controls = FakeControls();
        sink.clear();
        connect();
        if (HasFatalFailure())
            return;
        const QList<QVariantList> before = storedYears();
        const int sheetRows = context.accounts().rows();
        const qsizetype n = c.years.size();

        ASSERT_TRUE(create()) << lines(sink.texts());

        EXPECT_EQ(writes(log), lines(c.statements));
        if (c.message) {
            ASSERT_EQ(sink.messages.size(), 1);
            EXPECT_EQ(sink.messages[0].text.toStdString(), kYearNotOver.toStdString());
            EXPECT_EQ(sink.messages[0].icon, Prompts::Icon::Information);
            EXPECT_TRUE(controls.createEnabled);
            EXPECT_TRUE(controls.createVisible);
            EXPECT_EQ(context.accYears().rows(), n);
            EXPECT_EQ(context.accounts().rows(), sheetRows);
            EXPECT_EQ(storedYears(), before);
            continue;
        }
        EXPECT_TRUE(sink.messages.isEmpty()) << lines(sink.texts());
        EXPECT_FALSE(controls.createEnabled);
        EXPECT_FALSE(controls.createVisible);
        EXPECT_TRUE(context.isWorksheetSound());

        ASSERT_EQ(context.accYears().rows(), n + c.appended.size());
        for (int r = 1; r <= n; ++r)
            EXPECT_EQ(yearCell(C::YrActive, r), "0") << "row " << r;
        // The cases share one table, whose ids go on rising after each case
        // deletes its years: the list carries the id the table gave.
        const QList<QVariantList> ids = ledger.rows(
            QStringLiteral("SELECT AccYearID FROM Acc_Accounting_Year ORDER BY AccYearID"));
        ASSERT_EQ(ids.size(), n + c.appended.size());
        for (qsizetype k = 0; k < c.appended.size(); ++k) {
            const Appended& a = c.appended[k];
            const int r = static_cast<int>(n + k + 1);
            SCOPED_TRACE(r);
            EXPECT_EQ(yearCell(C::YrId, r), std::to_string(ids[n + k][0].toInt()));
            EXPECT_GE(ids[n + k][0].toInt(), a.id);
            EXPECT_EQ(context.accYears().value(C::YrStartValue, r).toDouble(), a.start);
            EXPECT_EQ(context.accYears().value(C::YrEndValue, r).toDouble(), a.end);
            EXPECT_EQ(context.accYears().value(C::YrStart, r).toDate(), a.startDate);
            EXPECT_EQ(context.accYears().value(C::YrEnd, r).toDate(), a.endDate);
            EXPECT_EQ(yearCell(C::YrActive, r), "1");
        }
        if (!c.appended.isEmpty()) {
            EXPECT_EQ(context.accYears().rowMode(), 2);
        }

        // One account query per appended year, each adding the chart once more.
        EXPECT_EQ(log.count(kAccountsQuery), c.appended.size());
        const int accounts =
            ledger
                .value(QStringLiteral(
                    "SELECT COUNT(*) FROM Acc_Master WHERE ParentID NOT IN ('P','B')"))
                .toInt();
        EXPECT_EQ(context.accounts().rows(), sheetRows + accounts * c.appended.size());
        // Balances are computed again, for the new rows as for the old.
        for (int r = 1; r <= context.accounts().rows(); ++r)
            EXPECT_FALSE(sheetCell(C::AccType, r).empty()) << "worksheet row " << r;

        // In the table only the year inserted last is active.
        const QList<QVariantList> after = storedYears();
        ASSERT_EQ(after.size(), n + c.appended.size());
        for (qsizetype i = 0; i < after.size(); ++i)
            EXPECT_EQ(after[i][2].toInt(), i + 1 == after.size() && !c.appended.isEmpty() ? 1 : 0)
                << "stored year " << i + 1;
        for (qsizetype k = 0; k < c.appended.size(); ++k) {
            EXPECT_EQ(after[n + k][0].toDouble(), c.appended[k].start);
            EXPECT_EQ(after[n + k][1].toDouble(), c.appended[k].end);
        }
    }
}

TEST_P(YearCreationTest, NewYearRowsInTheWorksheet)
{
    setYears({{7, 39173, 39538, 1}});
    const QString account =
        ledger
            .value(QStringLiteral("SELECT AccountID FROM Acc_Master WHERE ParentID NOT IN "
                                  "('P','B') ORDER BY AccountID LIMIT 1"))
            .toString();
    ledger.execute(QStringLiteral("INSERT INTO Acc_Opening(AccId,AccYearID,Opening,OpeningType,"
                                  "Closing,ClosingType) VALUES('%1',8,125.5,'C',0,'D')")
                       .arg(account));
    connect();
    ASSERT_FALSE(HasFatalFailure());
    const GridModel& sheet = context.accounts();
    const int old = sheet.rows();
    ASSERT_GT(old, 0);
    QList<QList<std::string>> before;
    for (int r = 1; r <= old; ++r) {
        QList<std::string> cells;
        for (int c = C::AccAccountId; c <= C::AccType; ++c)
            cells.append(sheetCell(c, r));
        before.append(cells);
    }

    ASSERT_TRUE(create()) << lines(sink.texts());

    ASSERT_EQ(sheet.rows(), 2 * old);
    for (int r = 1; r <= old; ++r) {
        for (int c = C::AccAccountId; c <= C::AccType; ++c)
            EXPECT_EQ(sheetCell(c, r), before[r - 1][c - 1]) << "old row " << r << " column " << c;
    }
    int withOpening = 0;
    for (int r = old + 1; r <= sheet.rows(); ++r) {
        SCOPED_TRACE(r);
        // The year-7 rows list the same accounts in the same server order.
        EXPECT_EQ(sheetCell(C::AccAccountId, r), before[r - old - 1][0]);
        EXPECT_EQ(sheetCell(C::AccName, r), before[r - old - 1][1]);
        EXPECT_EQ(sheetCell(C::AccParentId, r), before[r - old - 1][2]);
        EXPECT_EQ(sheetCell(C::AccYearId, r), "8");
        EXPECT_EQ(sheetCell(C::AccDebit, r), "0");
        EXPECT_EQ(sheetCell(C::AccCredit, r), "0");
        const bool found = sheetCell(C::AccAccountId, r) == account.toStdString();
        withOpening += found ? 1 : 0;
        const std::string opening = found ? "125.5" : "0";
        const std::string side = found ? "C" : "D";
        EXPECT_EQ(sheetCell(C::AccOpening, r), opening);
        EXPECT_EQ(sheetCell(C::AccOpeningType, r), side);
        // Without postings the balance is the opening itself.
        EXPECT_EQ(sheetCell(C::AccBalance, r), opening);
        EXPECT_EQ(sheetCell(C::AccNextOpening, r), opening);
        EXPECT_EQ(sheetCell(C::AccType, r), side);
    }
    EXPECT_EQ(withOpening, 1);
}

INSTANTIATE_TEST_SUITE_P(Servers, YearCreationTest, ::testing::ValuesIn(LedgerRoad::names()),
                         serverLabel);

} // namespace
