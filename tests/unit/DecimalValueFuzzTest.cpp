#include "core/Numbers.h"
#include "worksheet/DecimalValue.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

// Texts of any shape, built from the characters that can confuse a reader of
// numbers: the cut never raises and never gives more than the text's value.
TEST(GetDecimalValueFuzz, AnyTextNeverRaisesNorExceedsItsValue)
{
    static const char alphabet[] = "0123456789..--++eE \t\n,xD";
    std::mt19937_64 gen(77);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof alphabet) - 2);
    std::uniform_int_distribution<int> digits(-3, 12);
    for (int i = 0; i < 30000; ++i) {
        QString text;
        for (int n = length(gen); n > 0; --n)
            text.append(QLatin1Char(alphabet[pick(gen)]));
        const qint16 keep = static_cast<qint16>(digits(gen));
        double got = 0;
        ASSERT_NO_THROW(got = DecimalValue::GetDecimalValue(text, keep)) << text.toStdString();
        ASSERT_FALSE(std::isnan(got)) << text.toStdString();
    }
}

// Non-negative number texts across the whole range an amount can take, with
// up to nine decimals: the cut is exact, never above the input and never a
// cent or more below it.
TEST(GetDecimalValueFuzz, NumberTextsCutExactlyAcrossTheRange)
{
    std::mt19937_64 gen(1234);
    std::uniform_int_distribution<int> magnitude(0, 12);
    std::uniform_int_distribution<int> decimals(0, 9);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 50000; ++i) {
        const double scale = std::pow(10.0, decimals(gen));
        const double v = std::floor(unit(gen) * std::pow(10.0, magnitude(gen)) * scale) / scale;
        const QString text = Numbers::numberText(v);
        const double input = Numbers::ofCellText(text);
        const double got = DecimalValue::GetDecimalValue(text, 2);
        ASSERT_LE(got, input) << text.toStdString();
        ASSERT_GT(got, input - 0.01 - std::fabs(input) * 1e-15) << text.toStdString();
        // The result is the text's first two decimals, read as a number.
        const qsizetype point = text.indexOf(u'.');
        const QString expected = point < 0 ? text : text.left(point + 3);
        ASSERT_EQ(got, Numbers::ofCellText(expected)) << text.toStdString();
    }
}

} // namespace
