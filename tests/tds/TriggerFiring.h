#pragma once

#include "tests/tds/ServerTriggers.h"
#include "tests/tds/WireBuffer.h"

#include <QList>

// Runs the triggers one write fired, after it and before its own DONE, as
// SQL Server does: each statement's count goes out as a DONEINPROC token
// (unless NOCOUNT is on), or, as Microsoft's ODBC drivers present them, as a
// result of its own; a SELECT adds its rows. RAISERROR sends its message and
// goes on. ROLLBACK ends the transaction (the firing statement with it); the
// rest of the trigger runs on its own, then the batch is aborted with 3609.
// THROW, or a statement that fails, rolls back and aborts at once, as under
// XACT_ABORT, which is on inside triggers.
class TriggerFiring
{
public:
    enum class End
    {
        Finished,
        RolledBack, // 3609 is still to be sent
        Aborted     // its error is sent
    };

    TriggerFiring(LedgerDatabase& ledger, WireWriter& out, bool noCount, bool countsApart);
    End fire(const QList<ServerTriggers::Trigger>& triggers);
    // Whether a message of severity over 10 went out.
    bool raised() const { return m_raised; }

private:
    End run(const ServerTriggers::Step& step, bool& noCount);
    void counted(bool noCount, uint16_t command, qint64 rows);

    LedgerDatabase& m_ledger;
    WireWriter& m_out;
    bool m_noCount;
    bool m_countsApart;
    bool m_raised = false;
    bool m_rolledBack = false;
};
