#include "worksheet/BalanceCalculator.h"

#include "core/Amounts.h"
#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "core/Numbers.h"
#include "core/Texts.h"
#include "worksheet/DecimalValue.h"

#include <cmath>

namespace {

constexpr int kExamples = 5;

// Sums of amounts in double precision land a hair beside the true figure
// (857.74 comes out as 857.739999999998), and cutting to two decimals would
// then take a whole paisa off. Amounts are settled to a millionth first; a
// real third decimal (12.349) is still cut, never rounded.
double settled(double magnitude)
{
    if (magnitude >= 1e9)
        return magnitude;
    return std::round(magnitude * 1e6) / 1e6;
}

} // namespace

QString BalanceCalculator::UnknownSides::message() const
{
    if (count == 0)
        return QString();
    QString text =
        QStringLiteral("%1 worksheet row(s) have an opening balance whose side is neither "
                       "D nor C; they were counted as debit (D).\n")
            .arg(count);
    text += QStringLiteral("Accounts: ") + examples.join(QStringLiteral(", "));
    if (count > examples.size())
        text += QStringLiteral(", ...");
    return text;
}

double BalanceCalculator::closingOf(double balance)
{
    const qint16 digits = 2;
    return DecimalValue::GetDecimalValue(Numbers::numberText(settled(std::fabs(balance))), digits);
}

BalanceCalculator::Closing BalanceCalculator::close(double opening, const QString& openingSide,
                                                    double debit, double credit)
{
    Closing closing;
    closing.balance = Amounts::isCreditSide(openingSide) ? (debit - credit) - opening
                                                         : opening + (debit - credit);
    closing.amount = closingOf(closing.balance);
    closing.side = Amounts::sideOf(closing.balance);
    return closing;
}

BalanceCalculator::UnknownSides BalanceCalculator::CalculateBalances()
{
    GridModel& sheet = m_sheet;
    UnknownSides unknown;
    const int rows = sheet.rows();
    for (int row = 1; row <= rows; ++row) {
        const QString openingText = sheet.readText(GridColumns::AccOpening, row);
        const QString sideText = sheet.readText(GridColumns::AccOpeningType, row);
        const QString debitText = sheet.readText(GridColumns::AccDebit, row);
        const QString creditText = sheet.readText(GridColumns::AccCredit, row);
        const double opening = Numbers::ofCellText(openingText);
        const double debit = Numbers::ofCellText(debitText);
        const double credit = Numbers::ofCellText(creditText);

        // Each row is closed from its own figures: a side in other letter case
        // or with blanks is still that side, and a row without a usable side
        // counts as debit and is reported, never given another row's balance.
        if (!Amounts::isCreditSide(sideText) &&
            Texts::trimBlanks(sideText).compare(QLatin1String("D"), Qt::CaseInsensitive) != 0) {
            if (unknown.examples.size() < kExamples) {
                unknown.examples.append(
                    QStringLiteral("%1 (year %2)")
                        .arg(Texts::trimBlanks(sheet.readText(GridColumns::AccAccountId, row)),
                             sheet.readText(GridColumns::AccYearId, row)));
            }
            ++unknown.count;
        }
        const Closing closing = close(opening, sideText, debit, credit);
        sheet.writeAt(GridColumns::AccType, row, closing.side);
        sheet.writeAt(GridColumns::AccBalance, row, closing.amount);
        sheet.writeAt(GridColumns::AccNextOpening, row, closing.amount);
    }
    return unknown;
}
