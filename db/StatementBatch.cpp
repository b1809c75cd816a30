#include "db/StatementBatch.h"

#include "core/Failure.h"
#include "db/DriverFailure.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <memory>

StatementBatch::StatementBatch(Session& session)
    : m_session(session), m_batches(session.dialect().batchesStatements()),
      m_mostStatements(session.options().batchStatements),
      m_mostCharacters(session.options().batchCharacters)
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
    const QString text = statement.textFor(m_session.kind());
    if (m_texts.size() >= m_mostStatements || m_characters + text.size() > m_mostCharacters)
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
    send(texts, onResults);
}

void StatementBatch::send(const QStringList& texts, const QList<OnResult>& onResults)
{
    m_session.ensureOpen();
    const SqlDialect::Kind kind = m_session.kind();
    auto query = std::make_shared<QSqlQuery>(m_session.m_db);
    query->setForwardOnly(true);
    // The results come back one a statement, in order; an error stands at the
    // statement that failed, and SQL Server may have gone on with the rest.
    if (!query->exec(texts.join(QStringLiteral(";\n"))))
        throw DriverFailure::refusedWrite(m_session.failureOf(*query), texts.first(1));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0 && !query->nextResult()) {
            if (query->lastError().isValid())
                throw DriverFailure::refusedWrite(m_session.failureOf(*query), texts.first(i + 1));
            throw Failure(DriverFailure::Unspecified,
                          QStringLiteral("The server answered %1 of the %2 statements of a "
                                         "request.")
                              .arg(i)
                              .arg(texts.size()));
        }
        if (onResults[i]) {
            RecordSet rs = RecordSet::oneOfMany(query, kind);
            onResults[i](rs);
        }
    }
    // A failure after the last result still counts. A trigger's counts, as
    // Microsoft's drivers give them, are results beyond the statements' own:
    // a failure stands at its statement or at one before it.
    while (query->nextResult()) {
    }
    if (query->lastError().isValid())
        throw DriverFailure::refusedWrite(m_session.failureOf(*query), texts);
}
