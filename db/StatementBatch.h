#pragma once

#include "db/SqlDialect.h"
#include "db/SqlStatement.h"

#include <QList>
#include <QStringList>
#include <functional>

class RecordSet;
class Session;

// Consecutive statements of one step, each giving a result (a query's rows,
// or the count of rows an insert, update or delete changed; not a SET).
// Where the road gains by it (SQL
// Server, whose every request is a network round trip) they go to the server
// as few requests as possible, up to a limit each, and their results are read
// back in order, one a statement; elsewhere each runs as it is added. Either
// way every statement is logged, and seen by the fault hook, as it is added,
// in order, with its own text.
class StatementBatch
{
public:
    using OnResult = std::function<void(RecordSet&)>;

    explicit StatementBatch(Session& session);

    // A statement that returns no rows.
    void execute(const SqlStatement& statement);
    // A query; onResult gets its result, positioned on the first row, once it
    // has come (at the latest by flush()).
    void query(const SqlStatement& statement, OnResult onResult);
    // Sends what is pending. Throws the failure of the first statement that
    // failed; the caller's transaction takes back what the rest did.
    void flush();

private:
    void add(const SqlStatement& statement, OnResult onResult);
    // One request of statements already logged; each query's result goes to
    // its callback, in order.
    void send(const QStringList& texts, const QList<OnResult>& onResults);

    Session& m_session;
    bool m_batches;
    int m_mostStatements; // in one request, as the session's options say
    qsizetype m_mostCharacters;
    QStringList m_texts;
    QList<OnResult> m_onResults; // empty for a statement without rows
    qsizetype m_characters = 0;
};
