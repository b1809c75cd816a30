#pragma once

#include "closing/AuditBooks.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// Runs the audit's work on a thread of its own, so a window never waits on
// the ledger. The books (and so their connection) live and die on that
// thread. One job at a time: a job given while another runs is refused.
class AuditWorker : public QObject
{
    Q_OBJECT

public:
    // Runs on the worker's thread; throws Failure to fail.
    using Job = std::function<void(AuditBooks& books, Progress& progress)>;

    explicit AuditWorker(QObject* parent = nullptr);
    // Cancels what runs, waits for it, and closes the books on their thread.
    ~AuditWorker() override;

    // Starts a job; false when one is still running. When it is over,
    // finished() says how on the caller's thread.
    bool start(Job job);
    bool isBusy() const noexcept { return m_busy; }
    // Asks the job to stop at its next step: it then finishes as cancelled,
    // having written nothing.
    void cancel() noexcept { m_cancelled = true; }

signals:
    // 0 to 1000.
    void progressed(int value);
    // Empty on success; a job Cancel stopped fails as Failure::Kind::Cancelled.
    void finished(const std::optional<Failure>& failure);

private:
    class JobProgress;

    QThread m_thread;
    QObject* m_home = nullptr; // lives on m_thread: the jobs are posted to it
    std::unique_ptr<AuditBooks> m_books;
    std::atomic_bool m_cancelled{false};
    bool m_busy = false;
};
