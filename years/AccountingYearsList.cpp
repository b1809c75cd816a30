#include "years/AccountingYearsList.h"

#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "core/Numbers.h"
#include "db/Session.h"

namespace {

// A stored day number as the date value the list shows. A Null start or end
// has no date: the cell shows the empty text, as the hidden value column does.
QVariant dateValue(const QVariant& stored)
{
    if (stored.isNull())
        return QString();
    const QDateTime dt = DayNumbers::dateTimeOfDay(DayNumbers::toDayNumber(stored));
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
// ledger file) becomes its day number, a number stays as stored. A value
// that is neither would be read as some other day: the load stops.
QVariant storedDay(const QVariant& stored, bool& isDate, const QVariant& id, const char* which)
{
    if (stored.isNull())
        return QString();
    if (DayNumbers::isDateValue(stored)) {
        isDate = true;
        return DayNumbers::toDayNumber(stored);
    }
    if (Numbers::isNumber(stored) || Numbers::isNumberText(stored.toString()))
        return stored;
    throw Failure(Failure::TypeMismatch,
                  QStringLiteral("The accounting year %1 has \"%2\" as its %3, which is neither "
                                 "a date nor a day number, so the years could not be loaded.\n"
                                 "Correct that year in Acc_Accounting_Year, then connect again.")
                      .arg(id.toString(), stored.toString(), QLatin1String(which)),
                  Failure::Kind::Conversion);
}

} // namespace

void AccountingYearsList::LoadAccYearDetails()
{
    RecordSet rs = m_session.query(QStringLiteral("Select * from Acc_Accounting_Year"));
    // Emptied only now: when the query cannot be opened the list keeps its rows.
    GridModel& list = m_list;
    list.setRows(0);
    bool datesAreDates = false;
    while (!rs.eof()) {
        list.setRows(list.rows() + 1);
        const int row = list.rows();
        const QVariant id = rs.field(QStringLiteral("AccYearID"));
        const QVariant start = rs.field(QStringLiteral("Acc_Yr_Start"));
        const QVariant end = rs.field(QStringLiteral("Acc_Yr_End"));
        const QVariant active = rs.field(QStringLiteral("Active"));
        const QVariant startDay = storedDay(start, datesAreDates, id, "start");
        const QVariant endDay = storedDay(end, datesAreDates, id, "end");
        const QVariant values[] = {
            storedOrEmpty(id), dateValue(start), startDay,
            dateValue(end),    endDay,           active.isNull() ? QVariant(0) : active,
        };
        for (int column = GridColumns::YrId; column <= GridColumns::YrActive; ++column) {
            list.select(column, row);
            list.write(values[column - 1]);
            list.setCellFlag(true);
        }
        rs.moveNext();
    }
    rs.close();
    m_datesAreDates = datesAreDates;
}
