#pragma once

#include <QString>
#include <QVariant>

// An opening as the worksheet's lookup reads the first stored row of its
// account and year: none, Null, or an amount that reads as 0 is 0 on the
// debit side; any other amount keeps its side, a Null side reading blank
// (the closing counts it as debit and tells the operator). The worksheet's
// load and the set-based figures both read an opening here.
struct LookedUpOpening
{
    double amount = 0;
    QString side = QStringLiteral("D");

    // stored and storedSide as the row holds them; both invalid when there
    // is no row.
    static LookedUpOpening read(const QVariant& stored, const QVariant& storedSide);
};
