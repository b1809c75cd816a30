#include "snapshots/SnapshotKeeper.h"

#include "core/Failure.h"
#include "snapshots/LedgerSnapshot.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotOutcomes.h"
#include "years/DateQueries.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>

namespace {

std::atomic<double> g_lastMilliseconds{0};

double millisecondsOf(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

Failure notKept(const Failure& failure)
{
    return failure.withDescription(
        failure.description() +
        QStringLiteral("\nNothing was written to the ledger: no write goes without a snapshot "
                       "to undo it. Make the folder writable or free some disk space, then try "
                       "again."));
}

} // namespace

SnapshotKeeper::SnapshotKeeper(Session& session, const SnapshotArchive::Ledger& ledger,
                               const QString& command, const QByteArray& openingsAsLoaded)
{
    QElapsedTimer clock;
    clock.start();
    m_path = ArchiveLocation::pathFor(ledger);
    // A folder that cannot be written or a file that is not ours stops the
    // command here, before anything has changed.
    try {
        SnapshotArchive(m_path).prepare();
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
    m_stored = std::async(std::launch::async, [path = m_path, record = std::move(record),
                                               snapshot = std::move(snapshot)] {
        return SnapshotArchive(path).add(record, snapshot);
    });
    m_readMilliseconds = millisecondsOf(clock);
}

SnapshotKeeper::~SnapshotKeeper()
{
    // Once kept() has taken the number the command went on to its commit.
    if (!m_stored.valid())
        return;
    try {
        m_number = m_stored.get();
    } catch (const Failure&) {
        return; // nothing was kept, so there is no record to settle
    }
    recordOutcome(SnapshotArchive::Outcome::NotLanded);
}

void SnapshotKeeper::landed() noexcept
{
    recordOutcome(SnapshotArchive::Outcome::Landed);
}

void SnapshotKeeper::recordOutcome(SnapshotArchive::Outcome outcome) noexcept
{
    if (m_number == 0)
        return;
    try {
        SnapshotOutcomes(m_path).set(m_number, outcome);
    } catch (const Failure&) {
        // The next open settles it from the ledger.
    }
}

void SnapshotKeeper::settle(Session& session, const SnapshotArchive& archive) noexcept
{
    try {
        const QList<SnapshotArchive::Record> records = archive.records();
        const bool unsettled =
            std::any_of(records.cbegin(), records.cend(), [](const SnapshotArchive::Record& r) {
                return r.outcome == SnapshotArchive::Outcome::Unsettled;
            });
        if (unsettled)
            SnapshotOutcomes(archive.path())
                .settle(archive, records, LedgerSnapshot::read(session));
    } catch (const Failure&) {
        // Left unsettled; list shows them so.
    }
}

int SnapshotKeeper::kept()
{
    if (!m_stored.valid())
        throw Failure(Failure::NotReady,
                      QStringLiteral("No snapshot was taken: Acc_Opening has changed since it "
                                     "was loaded."),
                      Failure::Kind::NotReady);
    QElapsedTimer clock;
    clock.start();
    try {
        m_number = m_stored.get();
        g_lastMilliseconds = m_readMilliseconds + millisecondsOf(clock);
        return m_number;
    } catch (const Failure& failure) {
        throw notKept(failure);
    }
}

double SnapshotKeeper::lastMilliseconds()
{
    return g_lastMilliseconds;
}
