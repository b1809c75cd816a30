#include "tests/tds/LockManager.h"

#include <chrono>

template <typename Free>
bool LockManager::waitFor(int timeoutMs, std::unique_lock<std::mutex>& lock, Free free)
{
    if (timeoutMs < 0) {
        m_changed.wait(lock, free);
        return true;
    }
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), free);
}

bool LockManager::write(const QString& ledger, int session, const QStringList& tables,
                        int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const bool free = waitFor(timeoutMs, lock, [&] {
        const auto it = m_writers.constFind(ledger);
        return (it == m_writers.cend() || it->session == session) &&
               !sharedByOthers(ledger, session, tables);
    });
    if (!free)
        return false;
    Holder& holder = m_writers[ledger];
    holder.session = session;
    for (const QString& table : tables)
        holder.tables.insert(table.toLower());
    return true;
}

bool LockManager::read(const QString& ledger, int session, const QStringList& tables, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return waitFor(timeoutMs, lock, [&] {
        const auto it = m_writers.constFind(ledger);
        if (it == m_writers.cend() || it->session == session)
            return true;
        for (const QString& table : tables) {
            if (it->tables.contains(table.toLower()))
                return false;
        }
        return true;
    });
}

bool LockManager::share(const QString& ledger, int session, const QStringList& tables,
                        int timeoutMs)
{
    if (!read(ledger, session, tables, timeoutMs))
        return false;
    const std::lock_guard lock(m_mutex);
    Holder holder{session, {}};
    for (const QString& table : tables)
        holder.tables.insert(table.toLower());
    m_sharers[ledger].append(holder);
    return true;
}

bool LockManager::sharedByOthers(const QString& ledger, int session,
                                 const QStringList& tables) const
{
    for (const Holder& holder : m_sharers.value(ledger)) {
        if (holder.session == session)
            continue;
        for (const QString& table : tables) {
            if (holder.tables.contains(table.toLower()))
                return true;
        }
    }
    return false;
}

void LockManager::release(const QString& ledger, int session)
{
    {
        const std::lock_guard lock(m_mutex);
        QList<Holder>& sharers = m_sharers[ledger];
        sharers.removeIf([session](const Holder& holder) { return holder.session == session; });
        const auto it = m_writers.find(ledger);
        if (it != m_writers.end() && it->session == session)
            m_writers.erase(it);
    }
    m_changed.notify_all();
}
