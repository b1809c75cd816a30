#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <mutex>

// Locks as SQL Server takes them under READ COMMITTED without row
// versioning, per ledger file and at table grain: a session that writes a
// table holds its exclusive lock until its transaction ends, and SQLite
// lets one writer in at a time, so a writer also waits for another's
// transaction to end; a statement that reads a table waits while another
// session holds that table's exclusive lock. A read that holds its shared
// lock (HOLDLOCK) keeps it to its transaction's end, and a writer of that
// table waits for it. A wait gives up after the session's LOCK_TIMEOUT
// (negative: never).
class LockManager
{
public:
    // Waits until the session may write the tables (and holds them); false
    // when the time-out passed first.
    bool write(const QString& ledger, int session, const QStringList& tables, int timeoutMs);
    // Waits until no other session holds any of the tables; false when the
    // time-out passed first.
    bool read(const QString& ledger, int session, const QStringList& tables, int timeoutMs);
    // The same, and the shared locks are held.
    bool share(const QString& ledger, int session, const QStringList& tables, int timeoutMs);
    // The session's transaction ended: its locks go.
    void release(const QString& ledger, int session);

private:
    struct Holder
    {
        int session = 0;
        QSet<QString> tables;
    };
    template <typename Free>
    bool waitFor(int timeoutMs, std::unique_lock<std::mutex>& lock, Free free);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool sharedByOthers(const QString& ledger, int session, const QStringList& tables) const;

    QHash<QString, Holder> m_writers;        // by ledger file
    QHash<QString, QList<Holder>> m_sharers; // by ledger file
};
