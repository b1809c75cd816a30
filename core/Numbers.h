#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>

// Every reading of a number the program does, one per purpose, and the one
// way a number is written back as text. They differ on purpose: a cell's
// text counts as its leading number, a value the program relies on (an id, a
// sum) must be a number, and a value the audit only totals never stops it.
class Numbers
{
public:
    Numbers() = delete;

    // What a cell's text counts as, the leading-number reading: blanks, tabs
    // and line feeds are skipped wherever they stand; an optional sign,
    // digits, an optional "." with digits and an optional exponent are
    // taken; anything else stops the reading ("12abc" is 12). A text without
    // a leading number is 0. Throws Failure 6 when the number is too large
    // for a double.
    static double ofCellText(QStringView text);

    // A value the program relies on (sums, ids): numbers as they are, a text
    // only when it is wholly a number. Null throws Failure 94, anything else
    // Failure 13.
    static double ofRequiredValue(const QVariant& value);
    // The same as a 32-bit signed integer, rounding half to even as the
    // classic conversions did; out of range throws Failure 6.
    static qint32 toInt32(const QVariant& value);

    // A value the checks and snapshots only total, whatever is stored: a
    // number as it is, a text by its leading number, Null or anything else 0.
    static double ofAnyValue(const QVariant& value);

    // A double rounded half to even into 32 bits; Failure 6 outside them.
    static qint32 roundToInt32(double value);

    // True when a database or cell value holds a number (not a text).
    static bool isNumber(const QVariant& value);
    // True when the whole text, blanks around it allowed, is one number
    // (sign, digits, point, exponent): what a strict conversion accepts.
    static bool isNumberText(const QString& text);

    // The number text: at most 15 significant digits, "." as the point, a
    // leading "-" for negatives, no trailing zeros, a whole number without a
    // point. Always plain decimal notation, so that neither SQL nor the
    // two-decimal cut ever sees an exponent.
    static QString numberText(double value);
    // The cell read-back text of a number: plain decimal notation holding
    // exactly the stored double (shortest text that reads back to it).
    static QString exactText(double value);
};
