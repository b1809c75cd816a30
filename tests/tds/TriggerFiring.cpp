#include "tests/tds/TriggerFiring.h"

#include "tests/tds/TdsTokens.h"

using namespace TdsTokens;

TriggerFiring::TriggerFiring(LedgerDatabase& ledger, WireWriter& out, bool noCount,
                             bool countsApart)
    : m_ledger(ledger), m_out(out), m_noCount(noCount), m_countsApart(countsApart)
{
}

TriggerFiring::End TriggerFiring::fire(const QList<ServerTriggers::Trigger>& triggers)
{
    for (const ServerTriggers::Trigger& trigger : triggers) {
        // A trigger starts with the session's NOCOUNT; its own SET ends with it.
        bool noCount = m_noCount;
        for (const ServerTriggers::Step& step : trigger.steps) {
            if (run(step, noCount) == End::Aborted)
                return End::Aborted;
        }
    }
    return m_rolledBack ? End::RolledBack : End::Finished;
}

void TriggerFiring::counted(bool noCount, uint16_t command, qint64 rows)
{
    const uint16_t status = DoneMore | (noCount ? 0 : DoneCount);
    if (m_countsApart)
        done(m_out, status, command, uint64_t(rows));
    else
        doneInProc(m_out, status, command, uint64_t(rows));
}

TriggerFiring::End TriggerFiring::run(const ServerTriggers::Step& step, bool& noCount)
{
    using Kind = ServerTriggers::Step::Kind;
    if (!step.condition.isEmpty()) {
        const StatementOutcome found =
            m_ledger.run(QStringLiteral("SELECT EXISTS(%1)").arg(step.condition));
        if (found.failed || found.rows.value(0).value(0).integer == 0)
            return End::Finished;
    }
    switch (step.kind) {
    case Kind::NoCountOn:
    case Kind::NoCountOff:
        noCount = step.kind == Kind::NoCountOn;
        return End::Finished;
    case Kind::RaisError:
        if (step.severity > 10) {
            error(m_out, step.number, step.severity, step.text);
            m_raised = true;
        } else {
            info(m_out, step.number, step.text);
        }
        return End::Finished;
    case Kind::Rollback:
        m_ledger.rollback();
        m_rolledBack = true;
        return End::Finished;
    case Kind::Throw:
        m_ledger.rollback();
        error(m_out, step.number, 16, step.text);
        return End::Aborted;
    case Kind::Ledger:
        break;
    }
    const StatementOutcome outcome = m_ledger.run(step.text);
    if (outcome.failed) {
        m_ledger.rollback();
        error(m_out, outcome.number, outcome.severity, outcome.text);
        return End::Aborted;
    }
    if (outcome.hasResult)
        result(m_out, outcome);
    counted(noCount, commandOf(step.text), outcome.changed);
    return End::Finished;
}
