#include "yearend/YearEndContext.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "worksheet/BalanceCalculator.h"

#include <gtest/gtest.h>

namespace {

using C = YearEndContext;

class BalanceTest : public ::testing::Test
{
protected:
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};

    void addRow(const QVariant& opening, const QVariant& side, const QVariant& debit,
                const QVariant& credit, const QString& account = QStringLiteral("1001"))
    {
        GridModel& sheet = context.accounts();
        sheet.setRows(sheet.rows() + 1);
        const int r = sheet.rows();
        sheet.writeAt(C::AccAccountId, r, account);
        sheet.writeAt(C::AccYearId, r, 3);
        sheet.writeAt(C::AccOpening, r, opening);
        sheet.writeAt(C::AccOpeningType, r, side);
        sheet.writeAt(C::AccDebit, r, debit);
        sheet.writeAt(C::AccCredit, r, credit);
    }
    QString cell(int column, int row) { return context.accounts().readText(column, row); }
};

TEST_F(BalanceTest, SignsSidesAndCuts)
{
    context.accounts().setRows(0);
    struct Case
    {
        QVariant opening, side, debit, credit;
        const char* balance;
        const char* type;
    } const cases[] = {
        {100, QStringLiteral("D"), 30, 50, "80", "D"},
        {100, QStringLiteral("C"), 30, 0, "70", "C"},
        {100, QStringLiteral("D"), 0, 150, "50", "C"},
        {0, QStringLiteral("D"), 250, 250, "0", "D"},
        {0, QStringLiteral("D"), 0, 0.004, "0", "C"},
        {12.349, QStringLiteral("D"), 0, 0, "12.34", "D"},
        {-40, QStringLiteral("D"), 10, 0, "30", "C"},        // negative opening on D
        {-40, QStringLiteral("C"), 0, 0, "40", "D"},         // negative opening on C
        {QStringLiteral("abc"), QStringLiteral("D"), 5, 0, "5", "D"},
        {QStringLiteral("12.5"), QStringLiteral("C"), QStringLiteral("2.5"), 0, "10", "C"},
        {0.3, QStringLiteral("D"), 0.1, 0.4, "0", "C"},      // tiny remainder: side by sign, 0
        {0.3, QStringLiteral("D"), 0, 0.1 + 0.2, "0", "C"},
        {12892.11, QStringLiteral("C"), 41546.51, 29512.14, "857.74", "C"},  // not 857.73
        {0, QStringLiteral("D"), 0.999, 0, "0.99", "D"},
    };
    for (const Case& c : cases)
        addRow(c.opening, c.side, c.debit, c.credit);
    const auto unknown = BalanceCalculator(context.accounts()).CalculateBalances();
    EXPECT_EQ(unknown.count, 0);
    int row = 1;
    for (const Case& c : cases) {
        EXPECT_EQ(cell(C::AccBalance, row), QString::fromLatin1(c.balance)) << "row " << row;
        EXPECT_EQ(cell(C::AccNextOpening, row), QString::fromLatin1(c.balance)) << "row " << row;
        EXPECT_EQ(cell(C::AccType, row), QString::fromLatin1(c.type)) << "row " << row;
        ++row;
    }
}

TEST_F(BalanceTest, ARowNeverInheritsAnotherRowsBalance)
{
    context.accounts().setRows(0);
    addRow(500, QStringLiteral("C"), 0, 0, QStringLiteral("A1"));
    addRow(100, QStringLiteral("d"), 0, 30, QStringLiteral("A2"));    // lower case: debit
    addRow(100, QStringLiteral(" C "), 0, 0, QStringLiteral("A3"));   // blanks: credit
    addRow(20, QString(), 5, 0, QStringLiteral("A4"));                // no side: debit, reported
    addRow(20, QStringLiteral("X"), 0, 0, QStringLiteral("A5"));      // unknown: debit, reported
    const auto unknown = BalanceCalculator(context.accounts()).CalculateBalances();
    EXPECT_EQ(cell(C::AccBalance, 2), QStringLiteral("70"));
    EXPECT_EQ(cell(C::AccType, 2), QStringLiteral("D"));
    EXPECT_EQ(cell(C::AccBalance, 3), QStringLiteral("100"));
    EXPECT_EQ(cell(C::AccType, 3), QStringLiteral("C"));
    EXPECT_EQ(cell(C::AccBalance, 4), QStringLiteral("25"));
    EXPECT_EQ(cell(C::AccBalance, 5), QStringLiteral("20"));
    EXPECT_EQ(cell(C::AccType, 5), QStringLiteral("D"));
    EXPECT_EQ(unknown.count, 2);
    EXPECT_TRUE(unknown.message().contains(QStringLiteral("A4 (year 3)")));
    EXPECT_TRUE(unknown.message().contains(QStringLiteral("A5 (year 3)")));
    // The inputs are left as they were.
    EXPECT_EQ(cell(C::AccOpeningType, 2), QStringLiteral("d"));
}

TEST_F(BalanceTest, ReportNamesOnlyTheFirstFew)
{
    context.accounts().setRows(0);
    for (int i = 0; i < 12; ++i)
        addRow(1, QStringLiteral("?"), 0, 0, QStringLiteral("X%1").arg(i));
    const auto unknown = BalanceCalculator(context.accounts()).CalculateBalances();
    EXPECT_EQ(unknown.count, 12);
    EXPECT_EQ(unknown.examples.size(), 5);
    EXPECT_TRUE(unknown.message().startsWith(QStringLiteral("12 ")));
}

TEST_F(BalanceTest, EmptyWorksheetIsLeftAlone)
{
    context.accounts().setRows(0);
    EXPECT_EQ(BalanceCalculator(context.accounts()).CalculateBalances().count, 0);
    EXPECT_EQ(context.accounts().rows(), 0);
}

} // namespace
