#pragma once

#include <QString>
#include <QtGlobal>

// Cuts an amount's text to a number of decimals; never rounds, never fails.
class DecimalValue
{
public:
    DecimalValue() = delete;

    static double GetDecimalValue(const QString& sValue, const qint16& iDigits);
};
