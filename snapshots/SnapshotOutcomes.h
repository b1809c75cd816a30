#pragma once

#include "snapshots/SnapshotArchive.h"

#include <QHash>
#include <QString>

// Whether the command each snapshot was kept before landed in the ledger,
// kept in the archive file beside the chain: a snapshot is kept before its
// command commits, and the command may then be refused, fail or die. The
// command writes its outcome when it ends; one whose program died stays
// unsettled until the next open of the ledger settles it by comparing the
// ledger with the record. Outcomes are written after their record and so
// stand outside its hash: the chain covers the records, not their outcomes.
class SnapshotOutcomes
{
public:
    using Outcome = SnapshotArchive::Outcome;

    explicit SnapshotOutcomes(QString path) : m_path(std::move(path)) {}

    // Every outcome written, by snapshot number; none for an archive
    // without them.
    QHash<int, Outcome> read() const;
    // Writes a snapshot's outcome, replacing any. Failures are thrown.
    void set(int number, Outcome outcome);

    // Settles every unsettled record: a record whose ledger, as the next
    // record (or, for the newest, `now`) found it, holds the same rows did
    // not land; one after which the rows differ did. records newest first.
    void settle(const SnapshotArchive& archive, const QList<SnapshotArchive::Record>& records,
                const LedgerSnapshot& now);

    static QString text(Outcome outcome);

private:
    QString m_path;
};
