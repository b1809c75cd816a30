#include "db/StatementBatch.h"

#include "db/Session.h"

StatementBatch::StatementBatch(Session& session)
    : m_session(session), m_batches(session.dialect().batchesStatements())
{
}

void StatementBatch::execute(const SqlStatement& statement)
{
    if (!m_batches) {
        m_session.execute(statement);
        return;
    }
    add(statement, {});
}

void StatementBatch::query(const SqlStatement& statement, OnResult onResult)
{
    if (!m_batches) {
        RecordSet rs = m_session.query(statement);
        onResult(rs);
        return;
    }
    add(statement, std::move(onResult));
}

void StatementBatch::add(const SqlStatement& statement, OnResult onResult)
{
    const QString& text = statement.text();
    if (m_texts.size() >= SqlDialect::BatchStatements ||
        m_characters + text.size() > SqlDialect::BatchCharacters)
        flush();
    try {
        m_session.record(text);
    } catch (...) {
        // What came before this statement is sent, as it would have been
        // one by one.
        flush();
        throw;
    }
    m_texts.append(text);
    m_onResults.append(std::move(onResult));
    m_characters += text.size() + 2;
}

void StatementBatch::flush()
{
    if (m_texts.isEmpty())
        return;
    const QStringList texts = std::exchange(m_texts, {});
    const QList<OnResult> onResults = std::exchange(m_onResults, {});
    m_characters = 0;
    m_session.runBatch(texts, onResults);
}
