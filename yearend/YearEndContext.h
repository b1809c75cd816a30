#pragma once

#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"

#include <QByteArray>
#include <QStringList>
#include <memory>

class FormControls;
class Prompts;
class SnapshotKeeper;

// What the window owns and its commands work on: the one connection, the
// accounting-years list, the account worksheet, the controls and the message
// prompts. Figures pass between procedures only through the two grids.
class YearEndContext : public GridColumns
{
public:
    YearEndContext(FormControls& controls, Prompts& prompts);
    ~YearEndContext();

    Session& session() { return *m_session; }
    // Replaces the connection with a new, unopened one; the old one goes.
    Session& replaceSession();

    GridModel& accounts() { return m_accounts; } // vasAccounts
    GridModel& accYears() { return m_accYears; } // vasAccYear
    FormControls& controls() { return m_controls; }
    Prompts& prompts() { return *m_prompts; }
    // Where the commands' messages and questions go from now on.
    void setPrompts(Prompts& prompts) { m_prompts = &prompts; }

    // The worksheet is sound only after a connect whose refresh finished;
    // a failed refresh or year creation makes it unsound until then. Only a
    // sound worksheet may be migrated.
    bool isWorksheetSound() const noexcept { return m_worksheetSound; }
    void setWorksheetSound(bool sound) noexcept { m_worksheetSound = sound; }

    // The ledger the open connection leads to, as the snapshot archive knows
    // it: the profile (Dosavine or Bindwell), the server name as typed and
    // the ledger's own identity.
    const SnapshotArchive::Ledger& ledger() const noexcept { return m_ledger; }
    void setLedger(SnapshotArchive::Ledger ledger) { m_ledger = std::move(ledger); }
    // The digest of Acc_Opening as the worksheet's openings were read from
    // it (LedgerSnapshot::digestOf); empty when the next command that reads
    // the table takes it as it finds it (right after our own migration).
    const QByteArray& openingsAsLoaded() const noexcept { return m_openingsAsLoaded; }
    void setOpeningsAsLoaded(QByteArray digest) { m_openingsAsLoaded = std::move(digest); }

    // Reads the two tables a command may rewrite, before its first write,
    // and starts keeping them in the archive; the command calls kept() on
    // the answer before it commits (a Failure when it could not be kept).
    // When Acc_Opening is no longer as loaded, the answer's
    // openingsChanged() is true and nothing is kept.
    std::unique_ptr<SnapshotKeeper> keepSnapshot(const QString& command);

    // Whether a command that writes may start: there is an open connection
    // and a sound worksheet. Otherwise the matching message is shown and the
    // answer is false.
    bool readyToWrite(const QString& notConnected, const QString& unsoundWorksheet);

    // Whether the ledger holds the years' start and end as dates (a datetime
    // column) rather than day numbers, as the last load of the years list
    // found them. A new year is written in the same form.
    bool yearDatesAreDates() const noexcept { return m_yearDatesAreDates; }
    void setYearDatesAreDates(bool dates) noexcept { m_yearDatesAreDates = dates; }

    // Statement log for tests and the benchmark; carried over to every new
    // session.
    void setStatementLog(QStringList* log);
    // Fault hook for tests, carried over to every new session likewise.
    void setBeforeStatement(Session::StatementHook hook);
    // The waits and batch limits of every session from the next connect on.
    void setSessionOptions(const SessionOptions& options) { m_sessionOptions = options; }

private:
    FormControls& m_controls;
    Prompts* m_prompts;
    std::unique_ptr<Session> m_session;
    GridModel m_accounts;
    GridModel m_accYears;
    QStringList* m_log = nullptr;
    Session::StatementHook m_beforeStatement;
    SessionOptions m_sessionOptions;
    bool m_worksheetSound = false;
    bool m_yearDatesAreDates = false;
    SnapshotArchive::Ledger m_ledger;
    QByteArray m_openingsAsLoaded;
};
