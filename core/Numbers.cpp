#include "core/Numbers.h"

#include "core/Failure.h"
#include "core/Texts.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Rounds half to even, whatever the floating-point environment says.
double roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff > 0.5)
        return lower + 1;
    if (diff < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

} // namespace

qint32 Numbers::roundToInt32(double value)
{
    if (!std::isfinite(value))
        throw Failure::overflow();
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        throw Failure::overflow();
    return static_cast<qint32>(rounded);
}

bool Numbers::isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool Numbers::isNumberText(const QString& text)
{
    const QString t = Texts::trimBlanks(text);
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    if (t[i] == u'+' || t[i] == u'-')
        ++i;
    bool digits = false;
    while (i < t.size() && t[i].isDigit()) {
        ++i;
        digits = true;
    }
    if (i < t.size() && t[i] == u'.') {
        ++i;
        while (i < t.size() && t[i].isDigit()) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        bool expDigits = false;
        while (i < t.size() && t[i].isDigit()) {
            ++i;
            expDigits = true;
        }
        if (!expDigits)
            return false;
    }
    return i == t.size();
}

double Numbers::ofCellText(QStringView text)
{
    std::string buffer;
    buffer.reserve(static_cast<size_t>(text.size()));
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skip = [&] {
        while (i < n && isSkipped(text[i]))
            ++i;
    };
    auto digit = [&] { return i < n && text[i] >= u'0' && text[i] <= u'9'; };

    skip();
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            buffer.push_back('-');
        ++i;
        skip();
    }
    int intDigits = 0; // significant digits before the point
    bool anyDigit = false;
    while (digit()) {
        if (intDigits > 0 || text[i] != u'0')
            ++intDigits;
        buffer.push_back(static_cast<char>(text[i].unicode()));
        anyDigit = true;
        ++i;
        skip();
    }
    if (i < n && text[i] == u'.') {
        ++i;
        skip();
        std::string fraction;
        while (digit()) {
            fraction.push_back(static_cast<char>(text[i].unicode()));
            anyDigit = true;
            ++i;
            skip();
        }
        if (!fraction.empty())
            buffer += '.' + fraction;
    }
    if (!anyDigit)
        return 0;
    long long exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        auto skipFrom = [&] {
            while (j < n && isSkipped(text[j]))
                ++j;
        };
        skipFrom();
        std::string exp;
        if (j < n && (text[j] == u'-' || text[j] == u'+')) {
            if (text[j] == u'-')
                exp.push_back('-');
            ++j;
            skipFrom();
        }
        bool expDigit = false;
        while (j < n && text[j] >= u'0' && text[j] <= u'9') {
            if (exponent < 100000)
                exponent = exponent * 10 + (text[j].unicode() - u'0');
            exp.push_back(static_cast<char>(text[j].unicode()));
            expDigit = true;
            ++j;
            skipFrom();
        }
        if (expDigit) {
            buffer += 'e' + exp;
            if (!exp.empty() && exp[0] == '-')
                exponent = -exponent;
        }
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too large is an overflow; too small is simply zero.
        if (intDigits + exponent > 0)
            throw Failure::overflow();
        return 0;
    }
    if (ec != std::errc())
        return 0;
    return value;
}

QString Numbers::numberText(double value)
{
    if (!std::isfinite(value))
        throw Failure::overflow();
    if (value == 0)
        return QStringLiteral("0");
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                   std::chars_format::scientific, 14);
    std::string sci(buf.data(), res.ptr);
    const bool negative = sci[0] == '-';
    if (negative)
        sci.erase(0, 1);
    const auto ePos = sci.find('e');
    const int exponent = std::stoi(sci.substr(ePos + 1));
    std::string digits;
    for (size_t k = 0; k < ePos; ++k) {
        if (sci[k] != '.')
            digits.push_back(sci[k]);
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    // The value is 0.d1d2d3... * 10^(exponent + 1).
    const int pointPos = exponent + 1;
    std::string out;
    if (pointPos <= 0) {
        out = "0." + std::string(static_cast<size_t>(-pointPos), '0') + digits;
    } else if (static_cast<size_t>(pointPos) >= digits.size()) {
        out = digits + std::string(static_cast<size_t>(pointPos) - digits.size(), '0');
    } else {
        out = digits.substr(0, static_cast<size_t>(pointPos)) + '.' +
              digits.substr(static_cast<size_t>(pointPos));
    }
    if (negative)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString Numbers::exactText(double value)
{
    if (!std::isfinite(value))
        throw Failure::overflow();
    if (value == 0)
        return QStringLiteral("0");
    std::array<char, 400> buf{};
    const auto res =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
    return QString::fromLatin1(buf.data(), static_cast<qsizetype>(res.ptr - buf.data()));
}

double Numbers::ofRequiredValue(const QVariant& value)
{
    if (value.isNull())
        throw Failure::invalidUseOfNull();
    if (isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString();
        if (!isNumberText(text))
            throw Failure::typeMismatch();
        return ofCellText(text);
    }
    throw Failure::typeMismatch();
}

qint32 Numbers::toInt32(const QVariant& value)
{
    return roundToInt32(ofRequiredValue(value));
}

double Numbers::ofAnyValue(const QVariant& value)
{
    if (isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString)
        return ofCellText(value.toString());
    return 0;
}
