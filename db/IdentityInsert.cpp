#include "db/IdentityInsert.h"

#include "db/Session.h"

IdentityInsert::IdentityInsert(Session& session, const QString& table, bool needed)
    : m_session(session), m_table(table)
{
    if (!needed)
        return;
    const QString on = session.dialect().identityInsert(table, true);
    if (on.isEmpty())
        return;
    session.execute(on);
    m_on = true;
}

void IdentityInsert::end()
{
    if (std::exchange(m_on, false))
        m_session.execute(m_session.dialect().identityInsert(m_table, false));
}
