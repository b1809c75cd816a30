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
    if (session.isOpen())
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

Failure Transaction::undo(const Failure& failure, const QString& command) noexcept
{
    rollback();
    // A character the road cannot carry, or a snapshot that could not be
    // kept, stopped the command before the ledger had a say, and its text
    // says that nothing was written.
    if (failure.kind() == Failure::Kind::Uncarriable || failure.kind() == Failure::Kind::OwnFile)
        return failure;
    return failure.withDescription(
        failure.description() +
        QStringLiteral("\nNothing of %1 was kept: the ledger is as it was before.").arg(command));
}
