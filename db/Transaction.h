#pragma once

#include "core/Failure.h"
#include "db/Session.h"

// A transaction for the life of a scope: begun at construction, kept by
// commit(), rolled back on every other way out (a return, a failure). Where
// the session already runs one, the guard joins it and leaves the commit and
// the rollback to the transaction's owner.
class Transaction
{
public:
    explicit Transaction(Session& session, Session::Intent intent = Session::Intent::Read);
    // One consistent view for a run of reads (SqlDialect::tableLockStatement);
    // on a session not open the guard does nothing.
    static Transaction forReads(Session& session);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;

    void commit();
    // Rolls back now rather than at the end of the scope; never throws.
    void rollback() noexcept;
    // Rolls back, then gives the failure that ended the writes as the
    // operator must read it: the server's own words (a trigger's, a
    // constraint's), then that nothing of the command was kept. A failure
    // that says so already is given as it is.
    Failure undo(const Failure& failure, const QString& command) noexcept;

private:
    struct Joined
    {
    };
    Transaction(Session& session, Joined) : m_session(session) {}

    Session& m_session;
    bool m_open = false; // begun here and not yet ended
};
