#include "years/YearCreation.h"

#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "core/Numbers.h"
#include "db/Session.h"
#include "db/Transaction.h"
#include "worksheet/AccountWorksheet.h"
#include "years/DateQueries.h"

#include <QDate>
#include <QDateTime>
#include <QLatin1String>
#include <algorithm>
#include <utility>

namespace {

const QLatin1String kDeactivate("Update Acc_Accounting_Year Set Active=0 where Active=1");
const QLatin1String
    kInsertYear("INSERT INTO Acc_Accounting_Year(Acc_Yr_Start,Acc_Yr_End,Active)values(");
const QLatin1String kComma(",");
const QLatin1String kClose(")");
const QString kAccounts =
    QStringLiteral("Select AccountID,AccountName,ParentID from Acc_Master where parentID ") +
    AccountWorksheet::ListedParents;
// Right after the insert the new year is the only active row.
const QLatin1String kNewId("Select AccYearID from Acc_Accounting_Year where Active=1");

using Year = GridColumns;

bool isActiveRow(const GridModel& list, int row)
{
    return list.numberAt(Year::YrActive, row) == 1;
}

// A day number as the list shows it: a plain date, or a date and time when a
// fraction of a day came with it.
QVariant dateValue(double dayNumber)
{
    const QDateTime dt = DayNumbers::dateTimeOfDay(dayNumber);
    if (dt.time() == QTime(0, 0))
        return dt.date();
    return dt;
}

// The last day of a year that starts on a given day: 31 March of the
// calendar year after the start's.
double yearEndAfter(double startDay)
{
    const int startYear = DayNumbers::dateTimeOfDay(startDay).date().year();
    return DayNumbers::dayNumber(QDate(startYear + 1, 3, 31));
}

QVariant flag(qint16 value)
{
    return QVariant::fromValue(value);
}

} // namespace

YearCreation::Refusal YearCreation::checkYear()
{
    Refusal refusal;
    double latestEnd = 0;
    bool noYear = false;
    if (!DateQueries(m_session).IsValidDate(&latestEnd, &noYear))
        return noYear ? Refusal{Refusal::Kind::NoYears} : notOver(latestEnd);
    int lastActive = 0;
    for (int r = 1; r <= m_years.rows(); ++r) {
        if (isActiveRow(m_years, r))
            lastActive = r;
    }
    if (lastActive == 0)
        return refusal;
    // The year that ends up active must follow every year the ledger holds:
    // a list that misread the ledger's dates would give one that overlaps
    // them.
    const double newStart = m_years.numberAt(Year::YrEndValue, lastActive) + 1;
    if (DayNumbers::wholeDay(newStart) <= DayNumbers::wholeDay(latestEnd))
        refusal = {Refusal::Kind::NotFollowing, newStart, latestEnd};
    return refusal;
}

YearCreation::Refusal YearCreation::lockActiveYear()
{
    Refusal refusal;
    bool anyActive = false;
    for (int r = 1; r <= m_years.rows() && !anyActive; ++r)
        anyActive = isActiveRow(m_years, r);
    if (!anyActive)
        return refusal;
    // Turning the old year off locks its row where SQL Server reads without
    // waiting for other writers (snapshot reads): a second operator whose
    // check passed before the first one's commit waits here for it, and
    // asked again then, finds the year made.
    m_session.execute(kDeactivate);
    m_deactivated = true;
    double latestEnd = 0;
    if (!DateQueries(m_session).IsValidDate(&latestEnd))
        return notOver(latestEnd);
    return refusal;
}

YearCreation::Refusal YearCreation::notOver(double latestEnd) const
{
    double listed = 0;
    for (int r = 1; r <= m_years.rows(); ++r)
        listed = std::max(listed, m_years.numberAt(Year::YrEndValue, r));
    Refusal refusal;
    refusal.kind = DayNumbers::wholeDay(latestEnd) > DayNumbers::wholeDay(listed)
                       ? Refusal::Kind::MadeByOther
                       : Refusal::Kind::YearNotOver;
    refusal.latestEnd = latestEnd;
    return refusal;
}

bool YearCreation::appendNextYears()
{
    GridModel& list = m_years;
    bool appendedAny = false;
    const int rows = list.rows();
    for (int r = 1; r <= rows; ++r) {
        const double id = list.numberAt(Year::YrId, r);
        const bool active = isActiveRow(list, r);
        const double oldEnd = list.numberAt(Year::YrEndValue, r);
        if (!active)
            continue;

        appendedAny = true;
        list.setRows(list.rows() + 1);
        const int appended = list.rows();
        list.setRowMode(2);

        const double newStart = oldEnd + 1;
        const double newEnd = yearEndAfter(newStart);
        list.writeAt(Year::YrId, appended, id + 1);
        list.writeAt(Year::YrStartValue, appended, newStart);
        list.writeAt(Year::YrStart, appended, dateValue(newStart));
        list.writeAt(Year::YrEndValue, appended, newEnd);
        list.writeAt(Year::YrEnd, appended, dateValue(newEnd));

        list.writeAt(Year::YrActive, r, flag(0));
        list.writeAt(Year::YrActive, appended, flag(1));
    }
    return appendedAny;
}

void YearCreation::InsertNewAccYear()
{
    Session& session = m_session;
    const GridModel& list = m_years;
    // A number written into a datetime column would be counted from SQL
    // Server's own day 0, 1 January 1900, two days after ours: 39539 would
    // become 3 April 2008. Such columns get the date itself.
    const auto dayText = [dates = m_yearDatesAreDates](double day) {
        return dates ? u'\'' + DayNumbers::dateText(day) + u'\'' : Numbers::numberText(day);
    };
    const int rows = list.rows();
    for (int r = 1; r <= rows; ++r) {
        const QString start = dayText(list.numberAt(Year::YrStartValue, r));
        const QString end = dayText(list.numberAt(Year::YrEndValue, r));
        const double active = list.numberAt(Year::YrActive, r);
        if (active != 1)
            continue;

        QString insert;
        insert.reserve(kInsertYear.size() + start.size() + end.size() + 8);
        insert.append(kInsertYear)
            .append(start)
            .append(kComma)
            .append(end)
            .append(kComma)
            .append(Numbers::numberText(active))
            .append(kClose);

        // Turning the old year off and adding the new one belong together:
        // the table must never be left without an active year. Inside the
        // command's own transaction when there is one.
        Transaction transaction(session, Session::Intent::Write);
        if (!std::exchange(m_deactivated, false))
            session.execute(kDeactivate);
        session.execute(insert);
        readBackId(r);
        transaction.commit();
    }
}

void YearCreation::readBackId(int row)
{
    // The database assigns the id: after years were deleted it need not be
    // the old id plus 1, and the list and the worksheet must carry the one
    // the table holds.
    RecordSet rs = m_session.query(kNewId);
    const QVariant id = rs.eof() ? QVariant() : rs.field(0);
    rs.close();
    // A column the table does not fill would leave a year no opening, no
    // posting and no later command could name.
    if (id.isNull())
        throw Failure(Failure::InvalidUseOfNull,
                      QStringLiteral("The ledger does not assign AccYearID in "
                                     "Acc_Accounting_Year: the new year would have been stored "
                                     "without an id, so no accounting year was created and "
                                     "nothing was changed.\nHave the column made an identity "
                                     "column (or the table's key), then try again."));
    m_years.writeAt(Year::YrId, row, double(Numbers::toInt32(id)));
}

void YearCreation::LoadNewYearAccounts()
{
    const GridModel& list = m_years;
    const int rows = list.rows();
    for (int r = 1; r <= rows; ++r) {
        const QString yearText = list.readText(Year::YrId, r);
        if (!isActiveRow(list, r))
            continue;

        RecordSet rs = m_session.query(kAccounts);
        AccountWorksheet(m_session, m_sheet, m_progress)
            .appendAccounts(
                rs,
                [this, &yearText](int row, const RecordSet&) {
                    m_sheet.writeAt(GridColumns::AccYearId, row, yearText);
                    m_sheet.writeAt(GridColumns::AccDebit, row, 0);
                    m_sheet.writeAt(GridColumns::AccCredit, row, 0);
                },
                AccountWorksheet::Lookups::AllRows);
    }
}
