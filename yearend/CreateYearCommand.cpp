#include "yearend/CreateYearCommand.h"

#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/Prompts.h"
#include "db/Transaction.h"
#include "snapshots/SnapshotKeeper.h"
#include "worksheet/BalanceCalculator.h"
#include "yearend/ButtonStates.h"
#include "yearend/FormControls.h"
#include "yearend/WriteProgress.h"
#include "yearend/YearEndContext.h"
#include "years/YearCreation.h"

#include <algorithm>
#include <optional>

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

const QString kOpeningsChanged = QStringLiteral(
    "The opening balances in the ledger are no longer those this window loaded: a snapshot "
    "was restored or an opening was changed since you connected, so no accounting year was "
    "created.\n"
    "Connect to the server again to load the ledger as it is now, then click Create "
    "Accounting Year.");

const QString kMadeByOther = QStringLiteral(
    "Another operator has just created the accounting year that ends on %1, so no accounting "
    "year was created.\n"
    "Connect to the server again to load the years as they are now.");

const QString kNoYears = QStringLiteral(
    "Acc_Accounting_Year holds no accounting year (none with an end date), so there is no "
    "year for a new one to follow: no accounting year was created.\n"
    "Check Acc_Accounting_Year (a failed import or a restore gone wrong can leave it empty), "
    "then connect again.");

QString dayText(double dayNumber)
{
    return DayNumbers::dateTimeOfDay(dayNumber).toString(QStringLiteral("dd-MM-yyyy"));
}

QString refusalText(const YearCreation::Refusal& refusal)
{
    if (refusal.kind == YearCreation::Refusal::Kind::NotFollowing)
        return kNotFollowing.arg(dayText(refusal.newStart), dayText(refusal.latestEnd));
    if (refusal.kind == YearCreation::Refusal::Kind::MadeByOther)
        return kMadeByOther.arg(dayText(refusal.latestEnd));
    if (refusal.kind == YearCreation::Refusal::Kind::NoYears)
        return kNoYears;
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

    // The checks, the snapshot, the year's statements, then per new row its
    // account and, as the worksheet's lookups rerun over every row, one
    // lookup per row old and new.
    const qint64 rows = m_context.accounts().rows();
    const qint64 years = std::max(1, m_context.accYears().rows());
    WriteProgress progress(session, controls,
                           QStringLiteral("Creating the next accounting year..."),
                           12 + rows + rows / years);
    BalanceCalculator::UnknownSides unknown;
    // What a failure before the commit puts back: the transaction takes the
    // table back, these the list and the worksheet (kept once the checks
    // passed, right before they change), so the operator can try again once
    // the cause is mended.
    std::optional<GridModel::Saved> yearsBefore;
    std::optional<GridModel::Saved> sheetBefore;
    bool committing = false;
    // The write lock comes first and the checks under it: a second operator
    // who clicks at the same moment waits here, then finds this year made.
    Transaction transaction(session, Session::Intent::Write);
    std::unique_ptr<SnapshotKeeper> snapshot;
    try {
        YearCreation::Refusal refusal = creation.checkYear();
        if (refusal.kind == YearCreation::Refusal::Kind::None) {
            snapshot = m_context.keepSnapshot(QStringLiteral("Create Accounting Year"));
            if (snapshot->openingsChanged()) {
                transaction.rollback();
                m_context.prompts().tell(kOpeningsChanged, Prompts::Icon::Information);
                return;
            }
            refusal = creation.lockActiveYear();
        }
        if (refusal.kind != YearCreation::Refusal::Kind::None) {
            transaction.rollback();
            m_context.prompts().tell(refusalText(refusal), Prompts::Icon::Information);
            return;
        }
        yearsBefore = m_context.accYears().save();
        sheetBefore = m_context.accounts().save();
        creation.appendNextYears();
        ButtonStates::apply(ButtonStates::Moment::YearCheckPassed, controls);

        // The new year and the worksheet rows it needs stand or fall
        // together: a year whose accounts could not be read is not kept.
        creation.InsertNewAccYear();
        creation.LoadNewYearAccounts();
        snapshot->kept();
        committing = true;
        transaction.commit();
        snapshot->landed();
        // Every row's opening was read again from the table as the snapshot
        // found it.
        m_context.setOpeningsAsLoaded(snapshot->openingsDigest());
        unknown = BalanceCalculator(m_context.accounts()).CalculateBalances();
        progress.finish(QString());
    } catch (const Failure& failure) {
        if (committing) {
            transaction.rollback();
            // A commit that failed may still have been kept by the server:
            // the list, the worksheet and the table may disagree, and
            // nothing may be migrated from them until the next connect.
            m_context.setWorksheetSound(false);
            ButtonStates::apply(ButtonStates::Moment::CommitUnknown, controls);
            throw;
        }
        if (yearsBefore) {
            m_context.accYears().restore(std::move(*yearsBefore));
            m_context.accounts().restore(std::move(*sheetBefore));
            ButtonStates::apply(ButtonStates::Moment::YearCreationUndone, controls);
        }
        throw transaction.undo(failure, QStringLiteral("Create Accounting Year"));
    }
    if (unknown.count > 0)
        m_context.prompts().tell(unknown.message(), Prompts::Icon::Information);
}
