#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// Dates as the ledger computes with them: day numbers, the days since
// 30 December 1899 00:00, the fraction being the time of day.
class DayNumbers
{
public:
    DayNumbers() = delete;

    static double dayNumber(const QDateTime& dateTime);
    static double dayNumber(QDate date);
    static QDateTime dateTimeOfDay(double dayNumber);

    // The whole day: a day number rounded to the nearest integer, half-way
    // values to the even neighbour. Throws Failure 6 outside 32 bits.
    static qint32 wholeDay(double dayNumber);

    // A database value as a day number: a date or date-time is converted, a
    // number is taken as it is, a text holding either is read as such.
    // Null throws Failure 94; anything else Failure 13.
    static double toDayNumber(const QVariant& value);
    // Whether a database value holds a date: a date or date-time, or a text
    // that is one (not a number).
    static bool isDateValue(const QVariant& value);
    // A day number as the text of a date literal for SQL:
    // 'YYYY-MM-DDTHH:MM:SS', the ISO form SQL Server reads the same way
    // whatever the login's language and date format, and SQLite's date
    // functions read too.
    static QString dateText(double dayNumber);
};
