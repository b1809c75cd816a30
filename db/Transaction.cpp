#include "db/Transaction.h"

Transaction::Transaction(Session& session, Session::Intent intent) : m_session(session)
{
    if (session.inTransaction())
        return;
    session.beginTransaction(intent);
    m_open = true;
}

Transaction Transaction::forReads(Session& session)
{
    if (session.isOpen() && session.dialect().readsInOneTransaction())
        return Transaction(session);
    return Transaction(session, Joined{});
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_session(other.m_session), m_open(std::exchange(other.m_open, false))
{
}

Transaction::~Transaction()
{
    rollback();
}

void Transaction::commit()
{
    if (!m_open)
        return;
    // A commit that fails leaves the transaction for the rollback.
    m_session.commit();
    m_open = false;
}

void Transaction::rollback() noexcept
{
    if (std::exchange(m_open, false))
        m_session.rollback();
}
