#include "years/YearCreation.h"

#include "app/FormControls.h"
#include "app/GridModel.h"
#include "app/MessageSink.h"
#include "app/YearEndContext.h"
#include "db/Conversions.h"
#include "db/DateQueries.h"
#include "db/Failure.h"
#include "db/Session.h"
#include "worksheet/AccountWorksheet.h"
#include "worksheet/BalanceCalculator.h"

#include <QDate>
#include <QDateTime>
#include <QLatin1String>
#include <utility>

namespace {

const QLatin1String kDeactivate("Update Acc_Accounting_Year Set Active=0 where Active=1");
const QLatin1String
    kInsertYear("INSERT INTO Acc_Accounting_Year(Acc_Yr_Start,Acc_Yr_End,Active)values(");
const QLatin1String kComma(",");
const QLatin1String kClose(")");
const QLatin1String kAccounts(
    "Select AccountID,AccountName,ParentID from Acc_Master where parentID not in('P','B')");
const QLatin1String kLatestId("Select max(AccYearID) from Acc_Accounting_Year");

const QString kYearNotOver =
    QStringLiteral("Accounting Year Already Exists") + QStringLiteral("\r\n") +
    QStringLiteral("If You Create New Accounting year Before April 1st Accounts May Not Match");

const QString kNotConnected =
    QStringLiteral("There is no open connection to the ledger, so no accounting year was "
                   "created.\nConnect to the server, then click Create Accounting Year.");
const QString kUnsoundWorksheet = QStringLiteral(
    "The account worksheet is incomplete: the last refresh or year creation did not finish, "
    "so no accounting year was created.\n"
    "Connect to the server again to reload the worksheet, then click Create Accounting Year.");

const QString kNotFollowing = QStringLiteral(
    "The new accounting year would start on %1, which does not follow the end of the latest "
    "year in the ledger (%2), so no accounting year was created.\n"
    "Check the start and end dates in Acc_Accounting_Year.");

using Year = YearEndContext::YearColumn;

bool isActiveRow(const GridModel& list, int row)
{
    return list.numberAt(Year::YrActive, row) == 1;
}

// A day number as the list shows it: a plain date, or a date and time when a
// fraction of a day came with it.
QVariant dateValue(double dayNumber)
{
    const QDateTime dt = Conversions::dateTimeOfDay(dayNumber);
    if (dt.time() == QTime(0, 0))
        return dt.date();
    return dt;
}

// The last day of a year that starts on a given day: 31 March of the
// calendar year after the start's.
double yearEndAfter(double startDay)
{
    const int startYear = Conversions::dateTimeOfDay(startDay).date().year();
    return Conversions::dayNumber(QDate(startYear + 1, 3, 31));
}

QVariant flag(qint16 value)
{
    return QVariant::fromValue(value);
}

QString dayText(double dayNumber)
{
    return Conversions::dateTimeOfDay(dayNumber).toString(QStringLiteral("dd-MM-yyyy"));
}

} // namespace

void YearCreation::run()
{
    FormControls& controls = m_context.controls();
    MessageSink& sink = m_context.sink();
    Session& session = m_context.session();
    if (!session.isOpen()) {
        sink.show(kNotConnected, MessageSink::Icon::Information);
        return;
    }
    if (!m_context.isWorksheetSound()) {
        sink.show(kUnsoundWorksheet, MessageSink::Icon::Information);
        return;
    }

    BalanceCalculator::UnknownSides unknown;
    bool changed = false; // the list, the worksheet or the table
    // The write lock comes first and the checks under it: a second operator
    // who clicks at the same moment waits here, then finds this year made.
    session.beginTransaction(Session::Intent::Write);
    try {
        if (!checkUnderLock())
            return;

        GridModel& list = m_context.accYears();
        const int rows = list.rows();
        for (int r = 1; r <= rows; ++r) {
            const double id = list.numberAt(Year::YrId, r);
            const bool active = isActiveRow(list, r);
            const double oldEnd = list.numberAt(Year::YrEndValue, r);
            if (!active)
                continue;

            changed = true;
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

        controls.setCreateEnabled(false);
        controls.setCreateVisible(false);

        // The new year and the worksheet rows it needs stand or fall
        // together: a year whose accounts could not be read is not kept.
        InsertNewAccYear();
        LoadNewYearAccounts();
        session.commit();
        unknown = BalanceCalculator(m_context).CalculateBalances();
    } catch (const Failure&) {
        session.rollback();
        // Once anything has changed, the list, the worksheet and the table
        // may disagree with each other: nothing may be migrated from them
        // until the next connect. A failed check changed nothing.
        if (changed) {
            m_context.setWorksheetSound(false);
            controls.setMigrateEnabled(false);
        }
        throw;
    }
    if (unknown.count > 0)
        sink.show(unknown.message(), MessageSink::Icon::Information);
}

bool YearCreation::checkUnderLock()
{
    Session& session = m_context.session();
    const GridModel& list = m_context.accYears();
    double latestEnd = 0;
    if (!DateQueries(session).IsValidDate(&latestEnd)) {
        refuse(kYearNotOver);
        return false;
    }
    int lastActive = 0;
    for (int r = 1; r <= list.rows(); ++r) {
        if (isActiveRow(list, r))
            lastActive = r;
    }
    if (lastActive == 0)
        return true;
    // The year that ends up active must follow every year the ledger holds:
    // a list that misread the ledger's dates would give one that overlaps
    // them.
    const double newStart = list.numberAt(Year::YrEndValue, lastActive) + 1;
    if (Conversions::wholeDay(newStart) <= Conversions::wholeDay(latestEnd)) {
        refuse(kNotFollowing.arg(dayText(newStart), dayText(latestEnd)));
        return false;
    }
    // Turning the old year off locks its row where SQL Server reads without
    // waiting for other writers (snapshot reads): a second operator whose
    // check passed before the first one's commit waits here for it, and
    // asked again then, finds the year made.
    session.execute(kDeactivate);
    m_deactivated = true;
    if (!DateQueries(session).IsValidDate()) {
        refuse(kYearNotOver);
        return false;
    }
    return true;
}

void YearCreation::refuse(const QString& message)
{
    m_context.session().rollback();
    m_context.sink().show(message, MessageSink::Icon::Information);
}

void YearCreation::InsertNewAccYear()
{
    Session& session = m_context.session();
    const GridModel& list = m_context.accYears();
    // A number written into a datetime column would be counted from SQL
    // Server's own day 0, 1 January 1900, two days after ours: 39539 would
    // become 3 April 2008. Such columns get the date itself.
    const auto dayText = [dates = m_context.yearDatesAreDates()](double day) {
        return dates ? u'\'' + Conversions::dateText(day) + u'\'' : Conversions::numberText(day);
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
            .append(Conversions::numberText(active))
            .append(kClose);

        // Turning the old year off and adding the new one belong together:
        // the table must never be left without an active year.
        // Inside the command's own transaction when there is one.
        const bool own = !session.inTransaction();
        if (own)
            session.beginTransaction(Session::Intent::Write);
        try {
            if (!std::exchange(m_deactivated, false))
                session.execute(kDeactivate);
            session.execute(insert);
            readBackId(r);
            if (own)
                session.commit();
        } catch (...) {
            if (own)
                session.rollback();
            throw;
        }
    }
}

void YearCreation::readBackId(int row)
{
    // The database assigns the id: after years were deleted it need not be
    // the old id plus 1, and the list and the worksheet must carry the one
    // the table holds.
    RecordSet rs = m_context.session().query(kLatestId);
    if (!rs.eof() && !rs.field(0).isNull())
        m_context.accYears().writeAt(Year::YrId, row, double(Conversions::toInt32(rs.field(0))));
    rs.close();
}

void YearCreation::LoadNewYearAccounts()
{
    FormControls& controls = m_context.controls();
    GridModel& sheet = m_context.accounts();
    const GridModel& list = m_context.accYears();
    const int rows = list.rows();
    for (int r = 1; r <= rows; ++r) {
        const QString yearText = list.readText(Year::YrId, r);
        if (!isActiveRow(list, r))
            continue;

        RecordSet rs = m_context.session().query(kAccounts);
        while (!rs.eof()) {
            sheet.setRows(sheet.rows() + 1);
            const int row = sheet.rows();
            AccountWorksheet::writeAccount(sheet, row, rs);
            sheet.writeAt(YearEndContext::AccYearId, row, yearText);
            sheet.writeAt(YearEndContext::AccDebit, row, 0);
            sheet.writeAt(YearEndContext::AccCredit, row, 0);
            controls.keepPainting();
            rs.moveNext();
        }
        // Closed before the lookups: a server without multiple active result
        // sets refuses a second query while one is still open.
        rs.close();
        AccountWorksheet(m_context).LoadOpeningBalances();
    }
}
