#include "yearend/MigrateCommand.h"

#include "core/Failure.h"
#include "core/Prompts.h"
#include "db/Transaction.h"
#include "migration/OpeningMigration.h"
#include "snapshots/SnapshotKeeper.h"
#include "yearend/ButtonStates.h"
#include "yearend/FormControls.h"
#include "yearend/WriteProgress.h"
#include "yearend/YearEndContext.h"
#include "years/LedgerLoad.h"

namespace {

const QString kNotConnected =
    QStringLiteral("There is no open connection to the ledger, so nothing was migrated.\n"
                   "Connect to the server again, then click Migrate Accounts.");
const QString kUnsoundWorksheet = QStringLiteral(
    "The account worksheet is incomplete: the last refresh or year creation did not finish, "
    "so nothing was migrated.\n"
    "Connect to the server again to reload the worksheet, then click Migrate Accounts.");
const QString kYearsChanged = QStringLiteral(
    "The accounting years in the ledger are no longer those this window loaded: another "
    "operator has created or changed a year since you connected, so nothing was migrated.\n"
    "Connect to the server again to load the ledger as it is now, then click Migrate Accounts.");

const QString kOpeningsChanged = QStringLiteral(
    "The opening balances in the ledger are no longer those this window loaded: a snapshot "
    "was restored or an opening was changed since you connected, so nothing was migrated.\n"
    "Connect to the server again to load the ledger as it is now, then click Migrate Accounts.");

const QString kEmptyWorksheet = QStringLiteral(
    "The account worksheet holds no account: %1. Migrating it would delete every opening "
    "balance in Acc_Opening and write none, so nothing was migrated.\n"
    "Check %2 (a failed import or a restore gone wrong can leave it empty), then connect "
    "again.");

} // namespace

void MigrateCommand::run()
{
    if (!m_context.readyToWrite(kNotConnected, kUnsoundWorksheet))
        return;
    // The delete of step 1 takes every opening; without a row nothing would
    // be written back.
    if (const auto empty = LedgerLoad::emptiness(m_context.accYears(), m_context.accounts())) {
        m_context.prompts().tell(kEmptyWorksheet.arg(empty->cause, empty->table),
                                 Prompts::Icon::Information);
        return;
    }
    Session& session = m_context.session();
    OpeningMigration migration(session, m_context.accounts(), m_context.accYears());
    // The years' check, the snapshot's three reads, then 5 statements a row
    // and 3 more.
    WriteProgress progress(session, m_context.controls(), QStringLiteral("Migrating accounts..."),
                           4 + 5 * qint64(m_context.accounts().rows()) + 3);

    // The delete of step 1 would otherwise leave the ledger without openings
    // if a later statement failed or the program died: everything or nothing.
    Transaction transaction(session, Session::Intent::Write);
    // A worksheet without a year another operator has added since would
    // delete that year's openings and not rebuild them.
    if (!migration.yearsAsLoaded()) {
        transaction.rollback();
        m_context.prompts().tell(kYearsChanged, Prompts::Icon::Information);
        return;
    }
    // The worksheet would put its old openings back over what was changed
    // since it was loaded.
    const auto snapshot = m_context.keepSnapshot(QStringLiteral("Migrate Accounts"));
    if (snapshot->openingsChanged()) {
        transaction.rollback();
        m_context.prompts().tell(kOpeningsChanged, Prompts::Icon::Information);
        return;
    }
    try {
        migration.InsertClosingBalances();
        migration.UpdateOpeningBalances();
        migration.UpdateNextYearOpenings();
        migration.ResetCurrentYearClosing();
    } catch (const Failure& failure) {
        throw transaction.undo(failure, QStringLiteral("Migrate Accounts"));
    }
    snapshot->kept();
    transaction.commit();
    snapshot->landed();
    // The table now holds what this window wrote; a year created next reads
    // it back into the worksheet whole.
    m_context.setOpeningsAsLoaded({});

    ButtonStates::apply(ButtonStates::Moment::Migrated, m_context.controls());
    progress.finish(QStringLiteral("Accounts Migration Completed"));
}
