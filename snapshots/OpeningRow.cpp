#include "snapshots/OpeningRow.h"

#include "core/Amounts.h"
#include "core/Numbers.h"
#include "core/Texts.h"

double OpeningRow::signedOpening() const
{
    return Amounts::signedBySide(Numbers::ofAnyValue(opening), openingSide);
}

double OpeningRow::signedClosing() const
{
    return Amounts::signedBySide(Numbers::ofAnyValue(closing), closingSide);
}

namespace {

// Where a table holds each field of the row; -1 where it has no such column.
struct Columns
{
    explicit Columns(const LedgerSnapshot::Table& table)
    {
        const auto column = [&](const char* name) {
            return LedgerSnapshot::column(table, QLatin1String(name));
        };
        account = column("AccId");
        year = column("AccYearID");
        opening = column("Opening");
        openingSide = column("OpeningType");
        closing = column("Closing");
        closingSide = column("ClosingType");
    }

    OpeningRow rowOf(const QVariantList& r) const
    {
        const auto at = [&r](int c) { return c >= 0 ? r[c] : QVariant(); };
        return {at(account).toString(),
                Numbers::ofAnyValue(at(year)),
                at(opening),
                Texts::trimBlanks(at(openingSide).toString()),
                at(closing),
                Texts::trimBlanks(at(closingSide).toString())};
    }

    int account, year, opening, openingSide, closing, closingSide;
};

} // namespace

QList<OpeningRow> OpeningRow::of(const LedgerSnapshot::Table& table)
{
    const Columns columns(table);
    QList<OpeningRow> rows;
    rows.reserve(table.rows.size());
    for (const QVariantList& r : table.rows)
        rows.append(columns.rowOf(r));
    return rows;
}

OpeningRow OpeningRow::of(const LedgerSnapshot::Table& table, const QVariantList& row)
{
    return Columns(table).rowOf(row);
}
