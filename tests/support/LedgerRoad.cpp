#include "tests/support/LedgerRoad.h"

#include <stdexcept>

QString LedgerRoad::serverName(const QString& folder)
{
    if (!isTds())
        return m_name + u':' + folder;
    if (!m_server)
        m_server = std::make_unique<TdsServer>(folder);
    return m_server->serverName();
}

TdsServer& LedgerRoad::server()
{
    if (!m_server)
        throw std::runtime_error("no TDS test server runs on the " + m_name.toStdString() +
                                 " road");
    return *m_server;
}
