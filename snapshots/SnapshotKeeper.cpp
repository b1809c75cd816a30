#include "snapshots/SnapshotKeeper.h"

#include "core/Failure.h"
#include "db/DateQueries.h"
#include "snapshots/LedgerSnapshot.h"
#include "snapshots/SnapshotArchive.h"

#include <QElapsedTimer>
#include <atomic>

namespace {

std::atomic<double> g_lastMilliseconds{0};

double millisecondsOf(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

Failure notKept(const Failure& failure)
{
    return Failure(failure.number(),
                   failure.description() +
                       QStringLiteral("\nNothing was written to the ledger: no write goes "
                                      "without a snapshot to undo it. Make the folder "
                                      "writable or free some disk space, then try again."));
}

} // namespace

SnapshotKeeper::SnapshotKeeper(Session& session, const SnapshotArchive::Ledger& ledger,
                               const QString& command, const QByteArray& openingsAsLoaded)
{
    QElapsedTimer clock;
    clock.start();
    const QString path = SnapshotArchive::pathFor(ledger);
    // A folder that cannot be written or a file that is not ours stops the
    // command here, before anything has changed.
    try {
        SnapshotArchive(path).prepare();
    } catch (const Failure& failure) {
        throw notKept(failure);
    }
    // Only the reading needs the session and its transaction; serializing,
    // hashing and the archive's own disk writes overlap the command.
    LedgerSnapshot snapshot = LedgerSnapshot::read(session);
    m_openingsDigest = LedgerSnapshot::digestOf(snapshot.openings());
    if (!openingsAsLoaded.isEmpty() && openingsAsLoaded != m_openingsDigest) {
        m_openingsChanged = true;
        return;
    }
    SnapshotArchive::Record record;
    record.taken = QDateTime::currentDateTimeUtc();
    record.profile = ledger.profile;
    record.server = ledger.server;
    record.serverClock = DateQueries(session).GetServerDate();
    record.command = command;
    record.user = SnapshotArchive::currentUser();
    record.machine = SnapshotArchive::machineName();
    m_stored = std::async(std::launch::async,
                          [path, record = std::move(record), snapshot = std::move(snapshot)] {
                              return SnapshotArchive(path).add(record, snapshot);
                          });
    m_readMilliseconds = millisecondsOf(clock);
}

SnapshotKeeper::~SnapshotKeeper()
{
    if (m_stored.valid())
        m_stored.wait();
}

int SnapshotKeeper::kept()
{
    if (!m_stored.valid())
        throw Failure(Failure::NotReady,
                      QStringLiteral("No snapshot was taken: Acc_Opening has changed since it "
                                     "was loaded."));
    QElapsedTimer clock;
    clock.start();
    try {
        const int number = m_stored.get();
        g_lastMilliseconds = m_readMilliseconds + millisecondsOf(clock);
        return number;
    } catch (const Failure& failure) {
        throw notKept(failure);
    }
}

int SnapshotKeeper::keep(Session& session, const SnapshotArchive::Ledger& ledger,
                         const QString& command)
{
    return SnapshotKeeper(session, ledger, command).kept();
}

double SnapshotKeeper::lastMilliseconds()
{
    return g_lastMilliseconds;
}
