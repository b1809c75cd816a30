#include "worksheet/LookedUpOpening.h"

#include "core/GridModel.h"

#include <cmath>

LookedUpOpening LookedUpOpening::read(const QVariant& stored, const QVariant& storedSide)
{
    LookedUpOpening opening;
    // The amount as the worksheet's cell reads it back.
    opening.amount = GridModel::numberOf(stored.isNull() ? QVariant(0) : stored);
    if (std::fabs(opening.amount) > 0)
        opening.side = storedSide.isNull() ? QString() : GridModel::textOf(storedSide);
    return opening;
}
