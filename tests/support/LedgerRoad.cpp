#include "tests/support/LedgerRoad.h"

#include <stdexcept>

bool LedgerRoad::isAvailable(const QString& name)
{
#ifdef Q_OS_WIN
    return name != QLatin1String("sqliteodbc");
#else
    Q_UNUSED(name);
    return true;
#endif
}

std::vector<const char*> LedgerRoad::names(std::initializer_list<const char*> wanted)
{
    std::vector<const char*> roads;
    for (const char* road : wanted) {
        if (isAvailable(QString::fromLatin1(road)))
            roads.push_back(road);
    }
    return roads;
}

QString LedgerRoad::serverName(const QString& folder)
{
    if (!isTds())
        return m_name + u':' + folder;
    if (!m_server)
        m_server = std::make_unique<TdsServer>(folder,
                                               m_name == QLatin1String("tdsrowversioning")
                                                   ? QStringList{QStringLiteral("--row-versioning")}
                                                   : QStringList());
    return m_server->serverName();
}

TdsServer& LedgerRoad::server()
{
    if (!m_server)
        throw std::runtime_error("no TDS test server runs on the " + m_name.toStdString() +
                                 " road");
    return *m_server;
}
