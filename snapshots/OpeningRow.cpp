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

OpeningRow::Reader::Reader(const LedgerSnapshot::Table& table)
{
    const auto column = [&](const char* name) {
        return LedgerSnapshot::column(table, QLatin1String(name));
    };
    m_account = column("AccId");
    m_year = column("AccYearID");
    m_opening = column("Opening");
    m_openingSide = column("OpeningType");
    m_closing = column("Closing");
    m_closingSide = column("ClosingType");
}

OpeningRow OpeningRow::Reader::read(const QVariantList& row) const
{
    const auto at = [&row](int c) { return c >= 0 ? row[c] : QVariant(); };
    return {at(m_account).toString(),
            Numbers::ofAnyValue(at(m_year)),
            at(m_opening),
            Texts::trimBlanks(at(m_openingSide).toString()),
            at(m_closing),
            Texts::trimBlanks(at(m_closingSide).toString())};
}

QList<OpeningRow> OpeningRow::of(const LedgerSnapshot::Table& table)
{
    const Reader reader(table);
    QList<OpeningRow> rows;
    rows.reserve(table.rows.size());
    for (const QVariantList& r : table.rows)
        rows.append(reader.read(r));
    return rows;
}
