#include "yearend/RefreshCommand.h"

#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/Prompts.h"
#include "db/Transaction.h"
#include "snapshots/LedgerSnapshot.h"
#include "worksheet/AmountsNotNumbers.h"
#include "worksheet/BalanceCalculator.h"
#include "yearend/ButtonStates.h"
#include "yearend/FormControls.h"
#include "yearend/YearEndContext.h"
#include "years/DateQueries.h"
#include "years/LedgerLoad.h"

namespace {

const QString kEmptyWorksheet = QStringLiteral(
    "The account worksheet is empty: %1.\n"
    "Migrate Accounts will not run on it, since it would delete every opening balance in "
    "Acc_Opening and write none. Check %2 (a failed import or a restore gone wrong can leave "
    "it empty), then connect again.");

} // namespace

void RefreshCommand::run()
{
    FormControls& controls = m_context.controls();
    m_context.setWorksheetSound(false);
    BalanceCalculator::UnknownSides unknown;
    AmountsNotNumbers notNumbers;
    Session& session = m_context.session();
    try {
        Transaction reads = Transaction::forReads(session);
        // Read before the openings are looked up: where the reads do not
        // share one view, a change in between makes a later write refuse
        // rather than go ahead on openings older than the digest.
        m_context.setOpeningsAsLoaded(LedgerSnapshot::openingsDigest(session));
        LedgerLoad load(session, m_context.accYears(), m_context.accounts());
        load.loadYears();
        m_context.setYearDatesAreDates(load.yearDatesAreDates());
        unknown = load.loadWorksheet(controls);
        notNumbers = AmountsNotNumbers::count(session);
        DateQueries dates(session);
        const qint32 end = dates.GetAccYearEndDate();
        const qint32 today = DayNumbers::wholeDay(dates.GetServerDate());
        if (today >= end)
            ButtonStates::apply(ButtonStates::Moment::YearOver, controls);
        reads.commit();
    } catch (const Failure&) {
        // Half a worksheet must never be migrated, nor a year created from it;
        // the status line and the bar no longer claim a loaded ledger.
        ButtonStates::apply(ButtonStates::Moment::LoadFailed, controls);
        controls.setStatusText(QString());
        controls.setProgress(0);
        throw;
    }
    m_context.setWorksheetSound(true);
    // What the figures cannot show, in one box.
    QStringList notes;
    if (const auto empty = LedgerLoad::emptiness(m_context.accYears(), m_context.accounts()))
        notes.append(kEmptyWorksheet.arg(empty->cause, empty->table));
    if (unknown.count > 0)
        notes.append(unknown.message());
    if (const QString amounts = notNumbers.message(); !amounts.isEmpty())
        notes.append(amounts);
    if (!notes.isEmpty())
        m_context.prompts().tell(notes.join(QStringLiteral("\n\n")), Prompts::Icon::Information);
}

void RefreshCommand::completeConnect()
{
    run();
    ButtonStates::apply(ButtonStates::Moment::ConnectCompleted, m_context.controls());
}
