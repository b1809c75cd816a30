#include "yearend/CreateYearCommand.h"

#include "core/Conversions.h"
#include "core/Failure.h"
#include "snapshots/SnapshotKeeper.h"
#include "worksheet/BalanceCalculator.h"
#include "yearend/FormControls.h"
#include "yearend/MessageSink.h"
#include "yearend/YearEndContext.h"
#include "years/YearCreation.h"

namespace {

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

QString dayText(double dayNumber)
{
    return Conversions::dateTimeOfDay(dayNumber).toString(QStringLiteral("dd-MM-yyyy"));
}

QString refusalText(const YearCreation::Refusal& refusal)
{
    if (refusal.kind == YearCreation::Refusal::Kind::NotFollowing)
        return kNotFollowing.arg(dayText(refusal.newStart), dayText(refusal.latestEnd));
    return kYearNotOver;
}

} // namespace

void CreateYearCommand::run()
{
    if (!m_context.readyToWrite(kNotConnected, kUnsoundWorksheet))
        return;
    FormControls& controls = m_context.controls();
    Session& session = m_context.session();
    YearCreation creation(session, m_context.accYears(), m_context.accounts(), controls,
                          m_context.yearDatesAreDates());

    BalanceCalculator::UnknownSides unknown;
    bool changed = false; // the list, the worksheet or the table
    // The write lock comes first and the checks under it: a second operator
    // who clicks at the same moment waits here, then finds this year made.
    session.beginTransaction(Session::Intent::Write);
    std::unique_ptr<SnapshotKeeper> snapshot;
    try {
        YearCreation::Refusal refusal = creation.checkYear();
        if (refusal.kind == YearCreation::Refusal::Kind::None) {
            snapshot = m_context.keepSnapshot(QStringLiteral("Create Accounting Year"));
            refusal = creation.lockActiveYear();
        }
        if (refusal.kind != YearCreation::Refusal::Kind::None) {
            session.rollback();
            m_context.sink().show(refusalText(refusal), MessageSink::Icon::Information);
            return;
        }
        changed = creation.appendNextYears();
        controls.setCreateEnabled(false);
        controls.setCreateVisible(false);

        // The new year and the worksheet rows it needs stand or fall
        // together: a year whose accounts could not be read is not kept.
        creation.InsertNewAccYear();
        creation.LoadNewYearAccounts();
        snapshot->kept();
        session.commit();
        unknown = BalanceCalculator(m_context.accounts()).CalculateBalances();
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
        m_context.sink().show(unknown.message(), MessageSink::Icon::Information);
}
