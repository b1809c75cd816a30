#pragma once

#include "snapshots/LedgerSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The snapshots of one ledger (a profile on a server), kept in an SQLite file
// of the user's data folder until the user prunes them. Each record carries
// the checksum of its rows and the hash of the record before it, so a record
// removed or altered afterwards shows as a break in the chain. Every failure
// is a Failure numbered Failure::FileAccess that names the file.
class SnapshotArchive
{
public:
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
        QString totals;      // per year: openings / closings
        QByteArray checksum; // of the rows (LedgerSnapshot::checksum)
        QByteArray previous; // hash of the record before, empty for the first
        QByteArray hash;     // of this record's fields, previous included
    };

    struct Chain
    {
        bool intact = true;
        QString problem; // what is wrong where, when not intact
    };

    // Where the snapshots of a ledger are kept: DATA/quillhaven/snapshots/,
    // DATA being the user's data folder (XDG_DATA_HOME on Linux).
    static QString folder();
    static QString pathFor(const QString& profile, const QString& server);

    explicit SnapshotArchive(QString path) : m_path(std::move(path)) {}
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
    // checksum.
    Chain verify() const;

    // The operating-system user and the workstation's name.
    static QString currentUser();
    static QString machineName();

private:
    class Connection;
    void prepare(Connection& archive);

    QString m_path;
};
