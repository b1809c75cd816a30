#include "closing/AuditWorker.h"

#include "core/Failure.h"
#include "core/Progress.h"

#include <QMetaObject>

// Reports to the window and stops the job when Cancel was pressed: a load
// asks now and then, a check after each of its queries.
class AuditWorker::JobProgress : public Progress
{
public:
    explicit JobProgress(AuditWorker& worker) : m_worker(worker) {}

    void setProgress(int value) override
    {
        stopIfCancelled();
        if (value != m_last) {
            m_last = value;
            emit m_worker.progressed(value);
        }
    }
    void keepPainting() override { stopIfCancelled(); }

private:
    void stopIfCancelled() const
    {
        if (m_worker.m_cancelled)
            throw Failure(Failure::Cancelled, QStringLiteral("Cancelled."),
                          Failure::Kind::Cancelled);
    }

    AuditWorker& m_worker;
    int m_last = -1;
};

AuditWorker::AuditWorker(QObject* parent) : QObject(parent)
{
    m_home = new QObject;
    m_home->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_home, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_home, [this] { m_books = std::make_unique<AuditBooks>(); }, Qt::BlockingQueuedConnection);
}

AuditWorker::~AuditWorker()
{
    m_cancelled = true;
    // Queued behind any job still running: the books close on their thread.
    QMetaObject::invokeMethod(
        m_home, [this] { m_books.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool AuditWorker::start(Job job)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_cancelled = false;
    QMetaObject::invokeMethod(m_home, [this, job = std::move(job)] {
        std::optional<Failure> failure;
        try {
            JobProgress progress(*this);
            job(*m_books, progress);
        } catch (const Failure& f) {
            failure = f;
        } catch (const std::exception& e) {
            failure = Failure(Failure::Unexpected, QString::fromLocal8Bit(e.what()),
                              Failure::Kind::Unexpected);
        }
        // Back on the caller's thread: the job is over before anyone hears.
        QMetaObject::invokeMethod(this, [this, failure] {
            m_busy = false;
            emit finished(failure);
        });
    });
    return true;
}
