#include "core/Conversions.h"

#include "core/Failure.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;

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

qint32 narrowToInt32(double value)
{
    if (!std::isfinite(value))
        throw Failure::overflow();
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        throw Failure::overflow();
    return static_cast<qint32>(rounded);
}

} // namespace

bool Conversions::isNumber(const QVariant& value)
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

bool Conversions::isNumberText(const QString& text)
{
    const QString t = trimBlanks(text);
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

QString Conversions::trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return begin == 0 && end == text.size() ? text : text.mid(begin, end - begin);
}

double Conversions::leadingNumber(QStringView text)
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

QString Conversions::numberText(double value)
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

QString Conversions::exactText(double value)
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

double Conversions::dayNumber(QDate date)
{
    return static_cast<double>(kDayZero.daysTo(date));
}

double Conversions::dayNumber(const QDateTime& dateTime)
{
    const double days = dayNumber(dateTime.date());
    const double fraction = static_cast<double>(dateTime.time().msecsSinceStartOfDay()) /
                            static_cast<double>(kMsPerDay);
    // Before day 0 the fraction still counts forward from midnight: -1.25 is
    // 29 December 1899 at 06:00.
    return days < 0 ? days - fraction : days + fraction;
}

QDateTime Conversions::dateTimeOfDay(double dayNumber)
{
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 3.0e6)
        throw Failure::overflow();
    const double whole = std::trunc(dayNumber);
    qint64 ms = std::llround(std::fabs(dayNumber - whole) * static_cast<double>(kMsPerDay));
    qint64 days = static_cast<qint64>(whole);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += dayNumber < 0 ? -1 : 1;
    }
    return QDateTime(kDayZero.addDays(days), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

qint32 Conversions::wholeDay(double dayNumber)
{
    return narrowToInt32(dayNumber);
}

bool Conversions::isDateValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return true;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        if (isNumberText(value.toString()))
            return false;
        try {
            toDayNumber(value);
            return true;
        } catch (const Failure&) {
            return false;
        }
    }
    default:
        return false;
    }
}

QString Conversions::dateText(double dayNumber)
{
    return dateTimeOfDay(dayNumber).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

double Conversions::toDayNumber(const QVariant& value)
{
    if (value.isNull())
        throw Failure::invalidUseOfNull();
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return dayNumber(value.toDateTime());
    case QMetaType::QDate:
        return dayNumber(value.toDate());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString().trimmed();
        if (isNumberText(text))
            return leadingNumber(text);
        for (const auto* format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss",
                                   "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm"}) {
            const QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
            if (dt.isValid())
                return dayNumber(dt);
        }
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            return dayNumber(d);
        throw Failure::typeMismatch();
    }
    default:
        if (isNumber(value))
            return value.toDouble();
        throw Failure::typeMismatch();
    }
}

double Conversions::toNumber(const QVariant& value)
{
    if (value.isNull())
        throw Failure::invalidUseOfNull();
    if (isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString();
        if (!isNumberText(text))
            throw Failure::typeMismatch();
        return leadingNumber(text);
    }
    throw Failure::typeMismatch();
}

qint32 Conversions::toInt32(const QVariant& value)
{
    return narrowToInt32(toNumber(value));
}

QString Conversions::counted(qint64 count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString Conversions::sqlText(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return quoted;
}
