#include "core/DayNumbers.h"

#include "core/Failure.h"
#include "core/Numbers.h"

#include <cmath>

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;

} // namespace

double DayNumbers::dayNumber(QDate date)
{
    return static_cast<double>(kDayZero.daysTo(date));
}

double DayNumbers::dayNumber(const QDateTime& dateTime)
{
    const double days = dayNumber(dateTime.date());
    const double fraction = static_cast<double>(dateTime.time().msecsSinceStartOfDay()) /
                            static_cast<double>(kMsPerDay);
    // Before day 0 the fraction still counts forward from midnight: -1.25 is
    // 29 December 1899 at 06:00.
    return days < 0 ? days - fraction : days + fraction;
}

QDateTime DayNumbers::dateTimeOfDay(double dayNumber)
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

qint32 DayNumbers::wholeDay(double dayNumber)
{
    return Numbers::roundToInt32(dayNumber);
}

bool DayNumbers::isDateValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return true;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        if (Numbers::isNumberText(value.toString()))
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

QString DayNumbers::dateText(double dayNumber)
{
    return dateTimeOfDay(dayNumber).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

double DayNumbers::toDayNumber(const QVariant& value)
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
        if (Numbers::isNumberText(text))
            return Numbers::ofCellText(text);
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
        if (Numbers::isNumber(value))
            return value.toDouble();
        throw Failure::typeMismatch();
    }
}
