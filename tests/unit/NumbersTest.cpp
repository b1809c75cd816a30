#include "core/Numbers.h"
#include "core/Amounts.h"
#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/Texts.h"
#include "db/SqlStatement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct ReadingCase
{
    const char* text;
    double value;
};

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfTheText)
{
    const ReadingCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"12", 12},
        {"  12  ", 12},
        {"1 2 3", 123},
        {"\t-4.5\n", -4.5},
        {"+7", 7},
        {"- 7", -7},
        {".5", 0.5},
        {"-.25", -0.25},
        {"1200.50", 1200.5},
        {"3.", 3},
        {".", 0},
        {"-", 0},
        {"12abc", 12},
        {"1,234.5", 1},
        {"1e3", 1000},
        {"1E-2", 0.01},
        {"2e", 2},
        {"2e+", 2},
        {"1.5e 2", 150},
        {"0.3", 0.3},
        {"1e-400", 0},
        {"12.34.56", 12.34},
        {"5.55111512312578E-17", 5.55111512312578E-17},
    };
    for (const ReadingCase& c : cases)
        EXPECT_DOUBLE_EQ(Numbers::ofCellText(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(LeadingNumber, TooLargeIsAnOverflow)
{
    try {
        Numbers::ofCellText(u"1e400");
        FAIL() << "no overflow";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::Overflow);
    }
}

struct TextCase
{
    double value;
    const char* text;
};

TEST(NumberText, FifteenSignificantDigitsPlainNotation)
{
    const TextCase cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {3, "3"},
        {1200.5, "1200.5"},
        {-75.25, "-75.25"},
        {39539, "39539"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345678.0, "123456789012346000"},
        {5.551115123125783e-17, "0.0000000000000000555111512312578"},
        {0.3 - 0.1 - 0.2, "-0.0000000000000000277555756156289"},
        {99999999.999, "99999999.999"},
        {1e15, "1000000000000000"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(Numbers::numberText(c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(NumberText, NeverWritesAnExponentNorABlank)
{
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-20, 20);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(gen) * std::pow(10.0, exponent(gen));
        const QString text = Numbers::numberText(v);
        ASSERT_FALSE(text.contains(u'e') || text.contains(u'E') || text.contains(u' '))
            << text.toStdString();
        // Round trip within 15 significant digits.
        const double back = Numbers::ofCellText(text);
        ASSERT_LE(std::fabs(back - v), std::fabs(v) * 1e-14) << text.toStdString();
        // Writing the read-back value again gives the same text.
        ASSERT_EQ(Numbers::numberText(back), text);
    }
}

TEST(ExactText, ReadsBackToTheSameDouble)
{
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> dist(-1e9, 1e9);
    for (int i = 0; i < 20000; ++i) {
        const double v = dist(gen) / 1000.0;
        const QString text = Numbers::exactText(v);
        ASSERT_FALSE(text.contains(u'e'));
        ASSERT_EQ(Numbers::ofCellText(text), v) << text.toStdString();
    }
    EXPECT_EQ(Numbers::exactText(1200.5), QStringLiteral("1200.5"));
    EXPECT_EQ(Numbers::exactText(3), QStringLiteral("3"));
}

TEST(DayNumber, KnownDates)
{
    EXPECT_EQ(DayNumbers::dayNumber(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(DayNumbers::dayNumber(QDate(2008, 3, 31)), 39538);
    EXPECT_EQ(DayNumbers::dayNumber(QDate(2008, 4, 1)), 39539);
    EXPECT_EQ(DayNumbers::dayNumber(QDate(2005, 4, 1)), 38443);
    EXPECT_DOUBLE_EQ(DayNumbers::dayNumber(QDateTime(QDate(2008, 3, 31), QTime(18, 0))), 39538.75);
    EXPECT_DOUBLE_EQ(DayNumbers::dayNumber(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(DayNumbers::dateTimeOfDay(39903), QDateTime(QDate(2009, 3, 31), QTime(0, 0)));
    EXPECT_EQ(DayNumbers::dateTimeOfDay(39537.5), QDateTime(QDate(2008, 3, 30), QTime(12, 0)));
    EXPECT_EQ(DayNumbers::dateTimeOfDay(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

TEST(DayNumber, RoundTripsEverySecondOfADay)
{
    const QDate day(2008, 3, 31);
    for (int s = 0; s < 86400; s += 7) {
        const QDateTime dt(day, QTime(0, 0).addSecs(s));
        EXPECT_EQ(DayNumbers::dateTimeOfDay(DayNumbers::dayNumber(dt)), dt);
    }
}

TEST(DayNumber, DatabaseValues)
{
    EXPECT_DOUBLE_EQ(DayNumbers::toDayNumber(QVariant(39538.75)), 39538.75);
    EXPECT_DOUBLE_EQ(DayNumbers::toDayNumber(QVariant(qlonglong(39538))), 39538);
    EXPECT_DOUBLE_EQ(DayNumbers::toDayNumber(QVariant(QStringLiteral("39538.5"))), 39538.5);
    EXPECT_DOUBLE_EQ(DayNumbers::toDayNumber(QVariant(QStringLiteral("2008-03-31 18:00:00"))),
                     39538.75);
    EXPECT_DOUBLE_EQ(DayNumbers::toDayNumber(QVariant(QDateTime(QDate(2008, 3, 31), QTime(9, 0)))),
                     39538.375);
    EXPECT_DOUBLE_EQ(DayNumbers::toDayNumber(QVariant(QDate(2008, 4, 1))), 39539);
    try {
        DayNumbers::toDayNumber(QVariant(QMetaType::fromType<double>()));
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::InvalidUseOfNull);
    }
    try {
        DayNumbers::toDayNumber(QVariant(QStringLiteral("next tuesday")));
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::TypeMismatch);
    }
}

TEST(WholeDay, RoundsHalfToEven)
{
    EXPECT_EQ(DayNumbers::wholeDay(39538.5), 39538);
    EXPECT_EQ(DayNumbers::wholeDay(39539.5), 39540);
    EXPECT_EQ(DayNumbers::wholeDay(39537.5), 39538);
    EXPECT_EQ(DayNumbers::wholeDay(39536.5), 39536);
    EXPECT_EQ(DayNumbers::wholeDay(39538.42), 39538);
    EXPECT_EQ(DayNumbers::wholeDay(39538.5000001), 39539);
    EXPECT_EQ(DayNumbers::wholeDay(-0.5), 0);
    EXPECT_EQ(DayNumbers::wholeDay(-1.5), -2);
    EXPECT_THROW(DayNumbers::wholeDay(3e9), Failure);
    EXPECT_THROW(DayNumbers::wholeDay(std::nan("")), Failure);
}

TEST(WholeDay, NoonOfEveryDayOverAHundredYears)
{
    // Noon is exactly half-way: it goes to the even neighbour, every day.
    const QDate first(1950, 1, 1);
    for (int d = 0; d < 36525; ++d) {
        const QDateTime noon(first.addDays(d), QTime(12, 0));
        const double day = DayNumbers::dayNumber(noon);
        const qint32 whole = DayNumbers::wholeDay(day);
        const qint32 lower = static_cast<qint32>(std::floor(day));
        ASSERT_EQ(whole, lower % 2 == 0 ? lower : lower + 1) << day;
        ASSERT_EQ(DayNumbers::wholeDay(day + 1.0 / 86400), lower + 1);
        ASSERT_EQ(DayNumbers::wholeDay(day - 1.0 / 86400), lower);
    }
}

TEST(Int32, NarrowsWithOverflowAndNull)
{
    EXPECT_EQ(Numbers::toInt32(QVariant(qlonglong(100000))), 100000);
    EXPECT_EQ(Numbers::toInt32(QVariant(QStringLiteral("7"))), 7);
    EXPECT_EQ(Numbers::toInt32(QVariant(2.5)), 2);
    EXPECT_THROW(Numbers::toInt32(QVariant(qlonglong(1) << 40)), Failure);
    EXPECT_THROW(Numbers::toInt32(QVariant(QMetaType::fromType<int>())), Failure);
    EXPECT_THROW(Numbers::toInt32(QVariant(QStringLiteral("seven"))), Failure);
}

// The three readings of a stored value part on Null and on a text that only
// begins with a number: the cell's reading takes the leading number, the
// required one refuses both, the totals' one never stops.
TEST(StoredValue, EachPurposeReadsNullAndPartNumbersItsOwnWay)
{
    const QVariant null(QMetaType::fromType<double>());
    const QVariant partNumber(QStringLiteral("12abc"));
    const QVariant date(QDate(2024, 3, 31));
    EXPECT_EQ(Numbers::ofCellText(partNumber.toString()), 12);
    EXPECT_EQ(Numbers::ofAnyValue(partNumber), 12);
    EXPECT_EQ(Numbers::ofAnyValue(null), 0);
    EXPECT_EQ(Numbers::ofAnyValue(date), 0);
    EXPECT_EQ(Numbers::ofAnyValue(QVariant(qlonglong(1) << 40)), double(qlonglong(1) << 40));
    EXPECT_EQ(Numbers::ofRequiredValue(QVariant(QStringLiteral(" 1200.5 "))), 1200.5);
    for (const QVariant& refused : {null, partNumber, date}) {
        try {
            Numbers::ofRequiredValue(refused);
            ADD_FAILURE() << refused.toString().toStdString();
        } catch (const Failure& f) {
            EXPECT_EQ(f.number(), refused.isNull() ? 94 : 13);
        }
    }
}

TEST(SqlText, DoublesQuotesAndTrimsOnlyBlanks)
{
    EXPECT_EQ(SqlStatement::quotedText(QStringLiteral("O'Brien")), QStringLiteral("O''Brien"));
    EXPECT_EQ(SqlStatement::quotedText(QStringLiteral("1001")), QStringLiteral("1001"));
    EXPECT_EQ(Texts::trimBlanks(QStringLiteral("  1001  ")), QStringLiteral("1001"));
    EXPECT_EQ(Texts::trimBlanks(QStringLiteral("\t1001 ")), QStringLiteral("\t1001"));
    EXPECT_EQ(Texts::trimBlanks(QStringLiteral("   ")), QString());
}

// One rule for every reader of a side: the window's balances, the snapshots'
// totals and the closing tool's figures.
TEST(CreditSide, OnlyCInEitherCaseBlanksAside)
{
    for (const char* credit : {"C", "c", " C ", "c  "})
        EXPECT_TRUE(Amounts::isCreditSide(QString::fromLatin1(credit))) << credit;
    for (const char* debit : {"D", "d", "", " ", "Cr", "\tC", "CC"})
        EXPECT_FALSE(Amounts::isCreditSide(QString::fromLatin1(debit))) << debit;
}

// Openings that balance sum to a rounding error, which reads as nil.
TEST(AmountText, TwoDecimalsAndNoNegativeNil)
{
    EXPECT_EQ(Amounts::text(0.1 + 0.2 - 0.3 - 1e-9), QStringLiteral("0.00"));
    EXPECT_EQ(Amounts::text(-0.004), QStringLiteral("0.00"));
    EXPECT_EQ(Amounts::text(-0.005), QStringLiteral("-0.01"));
    EXPECT_EQ(Amounts::text(1200.5), QStringLiteral("1200.50"));
}

// Lakhs and crores: three digits, then twos; the side follows the figure shown.
TEST(AmountText, GroupedAsAnAccountantWritesWithItsSide)
{
    EXPECT_EQ(Amounts::grouped(123.4), QStringLiteral("123.40"));
    EXPECT_EQ(Amounts::grouped(1234), QStringLiteral("1,234.00"));
    EXPECT_EQ(Amounts::grouped(123456789.126), QStringLiteral("12,34,56,789.13"));
    EXPECT_EQ(Amounts::sided(-185145.64), QStringLiteral("1,85,145.64 C"));
    EXPECT_EQ(Amounts::sided(100000), QStringLiteral("1,00,000.00 D"));
    EXPECT_EQ(Amounts::sided(-0.004), QStringLiteral("0.00 D"));
}

} // namespace

// A name too long for a message box keeps its two ends; short words, blanks
// and line breaks stay as they were.
TEST(Texts, LongNamesAreCutInTheMiddle)
{
    const QString path = QStringLiteral("/srv/") + QString(10000, u'a') + QStringLiteral("/x.db");
    const QString cut = Texts::cutLongNames(QStringLiteral("The ledger file ") + path +
                                            QStringLiteral(" is gone."));
    EXPECT_LE(cut.size(), 130);
    EXPECT_TRUE(cut.startsWith(QStringLiteral("The ledger file /srv/aaa")));
    EXPECT_TRUE(cut.endsWith(QStringLiteral("aaa/x.db is gone.")));
    EXPECT_EQ(cut.count(QChar(0x2026)), 1);
    const QString plain = QStringLiteral("Error 26\nThe file  C:\\Ledgers\\Dosavine.db");
    EXPECT_EQ(Texts::cutLongNames(plain), plain);
}
