#include "yearend/YearEndContext.h"

#include "core/Prompts.h"
#include "snapshots/SnapshotKeeper.h"

YearEndContext::YearEndContext(FormControls& controls, Prompts& prompts)
    : m_controls(controls), m_prompts(&prompts), m_session(std::make_unique<Session>()),
      m_accounts(accountHeaders()), m_accYears(yearHeaders())
{
    m_accounts.setNumericColumns({AccOpening, AccDebit, AccCredit, AccBalance, AccNextOpening});
    m_accounts.setHiddenColumns({AccAccountId, AccParentId});
    m_accYears.setHiddenColumns({YrId, YrStartValue, YrEndValue});
    // As designed, each grid starts with one empty row.
    m_accounts.setRows(1);
    m_accYears.setRows(1);
}

YearEndContext::~YearEndContext() = default;

Session& YearEndContext::replaceSession()
{
    m_session = std::make_unique<Session>(m_sessionOptions);
    m_session->setStatementLog(m_log);
    m_session->setBeforeStatement(m_beforeStatement);
    return *m_session;
}

void YearEndContext::setStatementLog(QStringList* log)
{
    m_log = log;
    m_session->setStatementLog(log);
}

void YearEndContext::setBeforeStatement(Session::StatementHook hook)
{
    m_beforeStatement = std::move(hook);
    m_session->setBeforeStatement(m_beforeStatement);
}

std::unique_ptr<SnapshotKeeper> YearEndContext::keepSnapshot(const QString& command)
{
    return std::make_unique<SnapshotKeeper>(*m_session, m_ledger, command, m_openingsAsLoaded);
}

bool YearEndContext::readyToWrite(const QString& notConnected, const QString& unsoundWorksheet)
{
    if (!m_session->isOpen()) {
        m_prompts->tell(notConnected, Prompts::Icon::Information);
        return false;
    }
    if (!m_worksheetSound) {
        m_prompts->tell(unsoundWorksheet, Prompts::Icon::Information);
        return false;
    }
    return true;
}
