#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QVariant>

// The conversions every part of the program shares. A cell text becomes a
// number only through leadingNumber(), a number becomes SQL or cell text only
// through numberText(), and dates travel as day numbers.
class Conversions
{
public:
    Conversions() = delete;

    // The leading-number reading: blanks, tabs and line feeds are skipped
    // wherever they stand; an optional sign, digits, an optional "." with
    // digits and an optional exponent are taken; anything else stops the
    // reading. A text without a leading number is 0. Throws Failure 6 when
    // the number is too large for a double.
    static double leadingNumber(QStringView text);

    // The number text: at most 15 significant digits, "." as the point, a
    // leading "-" for negatives, no trailing zeros, a whole number without a
    // point. Always plain decimal notation, so that neither SQL nor the
    // two-decimal cut ever sees an exponent.
    static QString numberText(double value);
    // A count with its noun: "1 account", "3 accounts".
    static QString counted(qint64 count, const char* one, const char* many);

    // The cell read-back text of a number: plain decimal notation holding
    // exactly the stored double (shortest text that reads back to it).
    static QString exactText(double value);

    // Day numbers: days since 30 December 1899 00:00, the fraction being the
    // time of day.
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

    // A database value as a number (sums, ids): numbers as they are, texts by
    // the leading-number reading. Null throws Failure 94.
    static double toNumber(const QVariant& value);

    // True when the whole text, blanks around it allowed, is one number
    // (sign, digits, point, exponent): what a strict conversion accepts.
    static bool isNumberText(const QString& text);

    // A cell text without its leading and trailing blanks (spaces only).
    static QString trimBlanks(const QString& text);

    // True when a database or cell value holds a number (not a text).
    static bool isNumber(const QVariant& value);

    // A text for placing between single quotes in SQL: every single quote
    // doubled, so no cell text can change the statement around it.
    static QString sqlText(const QString& text);

    // A database value as a 32-bit signed integer, rounding half to even as
    // the classic conversions did. Null throws Failure 94, out of range
    // Failure 6.
    static qint32 toInt32(const QVariant& value);
};
