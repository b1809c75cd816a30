#pragma once

#include "snapshots/ArchiveLocation.h"
#include "snapshots/LedgerSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

class ArchiveFile;

// The snapshots of one ledger (a profile on a server), kept in an SQLite file
// of the user's data folder until the user prunes them. Each record carries
// the checksum of its rows and the hash of the record before it, so a record
// removed or altered afterwards shows as a break in the chain. Every failure
// is a Failure numbered Failure::FileAccess that names the file.
class SnapshotArchive
{
public:
    // Whether the command a snapshot was kept before landed in the ledger
    // (SnapshotOutcomes).
    enum class Outcome
    {
        Unsettled, // still running, or its program died and no open has settled it
        Landed,
        NotLanded // refused, failed, or died before its commit
    };

    struct Record
    {
        int number = 0;
        QDateTime taken;        // the workstation's clock, UTC
        QString profile;        // Dosavine or Bindwell
        QString server;         // the server name as typed
        double serverClock = 0; // the server's clock as a day number
        QString command;        // "Migrate Accounts", "Create Accounting Year", "Restore 3"
        QString user;           // the operating-system user
        QString machine;        // the workstation's name
        qint64 openingRows = 0;
        qint64 yearRows = 0;
        QString totals;                       // per year: openings / closings
        QByteArray checksum;                  // of the rows (LedgerSnapshot::checksum)
        QByteArray previous;                  // hash of the record before, empty for the first
        QByteArray hash;                      // of this record's fields, previous included
        Outcome outcome = Outcome::Unsettled; // written later, outside the hash
    };

    struct Chain
    {
        bool intact = true;
        QString problem; // what is wrong where, when not intact
        // The newest record and its hash: the head. A chain cannot show its
        // own end cut off; an auditor who notes the head can show later that
        // nothing up to it was removed or altered.
        int head = 0;
        QByteArray headHash;
        QString headText() const;
    };

    using Ledger = ArchiveLocation::Ledger;

    explicit SnapshotArchive(QString path) : m_path(std::move(path)) {}
    // The archive of a ledger, where ArchiveLocation keeps it.
    static SnapshotArchive of(const Ledger& ledger)
    {
        return SnapshotArchive(ArchiveLocation::pathFor(ledger));
    }
    const QString& path() const noexcept { return m_path; }

    // Makes the folder and the file with its tables where they are missing,
    // and makes sure the file is an archive of ours: cheap once the file is
    // there, so a command learns that its snapshot cannot be kept before it
    // has written anything.
    void prepare();
    // Adds a snapshot with its record (number, checksum, counts, totals and
    // chain filled in here); returns its number.
    int add(Record record, const LedgerSnapshot& snapshot);
    // The records, newest first. An archive not yet written has none.
    QList<Record> records() const;
    LedgerSnapshot load(int number) const;
    // Follows the chain from the first record: every hash recomputed, every
    // link to the record before checked, every snapshot's rows against their
    // checksum. With a head noted before ("N:HASH", the hash or at least its
    // first 12 digits), also that record N is still there as it was.
    Chain verify(const QString& heldHead = {}) const;
    // The chain's state in a sentence that names the archive: broken (and
    // why), empty, or intact with its head.
    QString stateText(const Chain& chain) const;
    // Whether a text is a head as verify() takes it.
    static bool isHead(const QString& text);

    // The operating-system user and the workstation's name.
    static QString currentUser();
    static QString machineName();

private:
    void prepare(ArchiveFile& archive);
    // The chain, and each record's hash by its number.
    Chain walk(QHash<int, QByteArray>& hashes) const;

    QString m_path;
};
