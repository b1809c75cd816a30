#include "worksheet/DecimalValue.h"

#include "core/Failure.h"
#include "core/Numbers.h"

namespace {

// A strict conversion of a whole piece: 0 when the piece is not a number.
double pieceValue(const QString& piece)
{
    try {
        return Numbers::isNumberText(piece) ? Numbers::ofCellText(piece) : 0.0;
    } catch (const Failure&) {
        return 0.0;
    }
}

} // namespace

double DecimalValue::GetDecimalValue(const QString& sValue, const qint16& iDigits)
{
    try {
        if (Numbers::ofCellText(sValue) == 0)
            return 0;
    } catch (const Failure&) {
        return 0;
    }
    const QStringList pieces = sValue.split(u'.');
    const double integerPart = pieceValue(pieces.at(0));
    double fraction = 0;
    if (pieces.size() > 1 && iDigits > 0)
        fraction = pieceValue(QLatin1Char('.') + pieces.at(1).left(iDigits));
    try {
        return Numbers::ofCellText(Numbers::numberText(integerPart + fraction));
    } catch (const Failure&) {
        return 0;
    }
}
