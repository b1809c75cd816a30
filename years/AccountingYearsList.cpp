#include "years/AccountingYearsList.h"

#include "app/YearEndContext.h"
#include "db/Conversions.h"

namespace {

// A stored day number as the date value the list shows. A Null start or end
// has no date: the cell shows the empty text, as the hidden value column does.
QVariant dateValue(const QVariant& stored)
{
    if (stored.isNull())
        return QString();
    const QDateTime dt = Conversions::dateTimeOfDay(Conversions::toDayNumber(stored));
    if (dt.time() == QTime(0, 0))
        return dt.date();
    return dt;
}

QVariant storedOrEmpty(const QVariant& stored)
{
    return stored.isNull() ? QVariant(QString()) : stored;
}

// The hidden start and end columns hold day numbers, which year creation
// computes with: a date (a datetime column of SQL Server, a date text of a
// ledger file) becomes its day number, anything else stays as stored.
QVariant storedDay(const QVariant& stored, bool& isDate)
{
    if (!Conversions::isDateValue(stored))
        return storedOrEmpty(stored);
    isDate = true;
    return Conversions::toDayNumber(stored);
}

} // namespace

void AccountingYearsList::LoadAccYearDetails()
{
    RecordSet rs = m_context.session().query(QStringLiteral("Select * from Acc_Accounting_Year"));
    // Emptied only now: when the query cannot be opened the list keeps its rows.
    GridModel& list = m_context.accYears();
    list.setRows(0);
    bool datesAreDates = false;
    while (!rs.eof()) {
        list.setRows(list.rows() + 1);
        const int row = list.rows();
        const QVariant start = rs.field(QStringLiteral("Acc_Yr_Start"));
        const QVariant end = rs.field(QStringLiteral("Acc_Yr_End"));
        const QVariant active = rs.field(QStringLiteral("Active"));
        const QVariant values[] = {
            storedOrEmpty(rs.field(QStringLiteral("AccYearID"))),
            dateValue(start),
            storedDay(start, datesAreDates),
            dateValue(end),
            storedDay(end, datesAreDates),
            active.isNull() ? QVariant(0) : active,
        };
        for (int column = YearEndContext::YrId; column <= YearEndContext::YrActive; ++column) {
            list.select(column, row);
            list.write(values[column - 1]);
            list.setCellFlag(true);
        }
        rs.moveNext();
    }
    rs.close();
    m_context.setYearDatesAreDates(datesAreDates);
}
