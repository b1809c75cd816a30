#include "core/Amounts.h"

#include "core/Texts.h"

#include <cmath>

bool Amounts::isCreditSide(const QString& side)
{
    return Texts::trimBlanks(side).compare(QLatin1String("C"), Qt::CaseInsensitive) == 0;
}

double Amounts::signedBySide(double magnitude, const QString& side)
{
    return isCreditSide(side) ? -magnitude : magnitude;
}

QString Amounts::sideOf(double balance)
{
    return balance >= 0 ? QStringLiteral("D") : QStringLiteral("C");
}

bool Amounts::same(double a, double b)
{
    return std::fabs(a - b) < HalfPaisa;
}

QString Amounts::text(double amount)
{
    // A sum that balances to within a rounding error is nil, not "-0.00".
    const QString text = QString::number(amount, 'f', 2);
    return text == QLatin1String("-0.00") ? QStringLiteral("0.00") : text;
}

QString Amounts::grouped(double magnitude)
{
    QString digits = text(std::fabs(magnitude));
    const bool negative = magnitude < 0 && digits != QLatin1String("0.00");
    // The last three whole digits stand together, then twos.
    qsizetype at = digits.size() - 3 - 3;
    while (at > 0) {
        digits.insert(at, u',');
        at -= 2;
    }
    return negative ? u'-' + digits : digits;
}

QString Amounts::sided(double amount)
{
    const QString magnitude = grouped(std::fabs(amount));
    // The side follows the figure shown: what rounds to nil is debit.
    return magnitude + u' ' +
           (magnitude == QLatin1String("0.00") ? QStringLiteral("D") : sideOf(amount));
}
