#pragma once

#include "snapshots/SnapshotArchive.h"

#include <QString>
#include <future>

class Session;

// Takes the snapshot a write must not go without: right before a command's
// first writing statement, inside its transaction, the two tables it may
// rewrite are read whole; they are then kept in the ledger's archive with
// who, when and what while the command goes on, and kept() waits for that
// before the command may commit. A snapshot that cannot be kept is a
// Failure from kept(): the command must then roll back, so nothing of it is
// ever committed without its snapshot safely on disk.
class SnapshotKeeper
{
public:
    // openingsAsLoaded, when given, is the digest of Acc_Opening as the
    // caller's figures were read from it: when the table read now differs,
    // nothing is kept and openingsChanged() says so; the command must then
    // write nothing.
    SnapshotKeeper(Session& session, const SnapshotArchive::Ledger& ledger, const QString& command,
                   const QByteArray& openingsAsLoaded = {});
    // Waits for the archive: nothing runs on after its keeper.
    ~SnapshotKeeper();
    SnapshotKeeper(const SnapshotKeeper&) = delete;
    SnapshotKeeper& operator=(const SnapshotKeeper&) = delete;

    bool openingsChanged() const noexcept { return m_openingsChanged; }
    // The digest of Acc_Opening as this snapshot read it.
    const QByteArray& openingsDigest() const noexcept { return m_openingsDigest; }

    // Waits until the snapshot is in the archive and returns its number
    // there; a Failure, saying why and where, when it could not be kept.
    // The command calls it right before its commit, and nowhere else: a
    // keeper destroyed without it records that its command did not land;
    // after it, a command whose commit failed stays unsettled, as its fate
    // is not known, until the next open settles it.
    int kept();
    // Records, after the commit, that the command landed. A record that
    // cannot be written is left for the next open to settle: the command
    // itself has landed all the same.
    void landed() noexcept;

    // Settles the records of commands whose program died before it could
    // say how they ended, comparing the ledger now with them (it is read
    // only when there are such records). Called when a ledger is opened; a
    // damaged archive leaves them unsettled.
    static void settle(Session& session, const SnapshotArchive& archive) noexcept;

    // How long the last snapshot held up its command, in milliseconds:
    // the reading, and any wait for the archive in kept() (for the benchmark).
    static double lastMilliseconds();

private:
    void recordOutcome(SnapshotArchive::Outcome outcome) noexcept;

    QString m_path;
    std::future<int> m_stored;
    int m_number = 0;
    QByteArray m_openingsDigest;
    double m_readMilliseconds = 0;
    bool m_openingsChanged = false;
};
