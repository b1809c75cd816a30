#include "worksheet/DecimalValue.h"
#include "core/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

double cut(const char* text, qint16 digits = 2)
{
    return DecimalValue::GetDecimalValue(QString::fromLatin1(text), digits);
}

TEST(GetDecimalValue, CutsNeverRounds)
{
    struct Case
    {
        const char* text;
        qint16 digits;
        double value;
    } const cases[] = {
        {"0", 2, 0},          {"0.00", 2, 0},
        {"", 2, 0},           {"abc", 2, 0},
        {"123", 2, 123},      {"123.4567", 2, 123.45},
        {"123.4567", 0, 123}, {"123.4567", 10, 123.4567},
        {"0.999", 2, 0.99},   {"123.4", 2, 123.4},
        {"12.5.7", 2, 12.5},  {".5", 2, 0.5},
        {"0.004", 2, 0},      {"99999999.999", 2, 99999999.99},
        {"12.349", 2, 12.34}, {"5", -1, 5},
        {"5.75", -3, 5},      {"0.0000000000000000555111512312578", 2, 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(cut(c.text, c.digits), c.value) << c.text << " / " << c.digits;
}

TEST(GetDecimalValue, ExponentTextIsReadAsTheClassicStepsDo)
{
    // Nothing in the program hands it exponent notation; if something did,
    // the mantissa's digits are what it reads.
    EXPECT_DOUBLE_EQ(cut("5.55111512312578E-17"), 5.55);
    EXPECT_DOUBLE_EQ(cut("1E+15"), 1e15); // no point in the mantissa: unchanged
}

TEST(GetDecimalValue, NeverRaisesNeverExceedsItsInputNeverRoundsUp)
{
    std::mt19937_64 gen(2024);
    std::uniform_real_distribution<double> dist(0.0, 1e8);
    for (int i = 0; i < 50000; ++i) {
        const double v = std::floor(dist(gen) * 1000) / 1000 + (i % 7) * 1e-9;
        const QString text = Numbers::numberText(v);
        const double got = DecimalValue::GetDecimalValue(text, 2);
        ASSERT_LE(got, Numbers::ofCellText(text) + 1e-9) << text.toStdString();
        ASSERT_GT(got, Numbers::ofCellText(text) - 0.01 - 1e-6) << text.toStdString();
        // Two decimals at most.
        const QString back = Numbers::numberText(got);
        const auto point = back.indexOf(u'.');
        ASSERT_TRUE(point < 0 || back.size() - point - 1 <= 2) << back.toStdString();
    }
    for (const char* odd : {"-", "--1", "1e999", "..", "1.2.3.4", "   ", "\n", "1 .5"})
        EXPECT_NO_THROW(cut(odd)) << odd;
}

} // namespace
