#pragma once

#include "db/SqlStatement.h"
#include "snapshots/LedgerSnapshot.h"
#include "snapshots/SnapshotArchive.h"

#include <QString>

class Session;
class TableColumns;

// Puts Acc_Opening and Acc_Accounting_Year back exactly as a snapshot holds
// them: every value with its type and letter case. The caller holds the
// transaction; a failure part-way leaves it to roll back.
class SnapshotRestore
{
public:
    explicit SnapshotRestore(Session& session) : m_session(session) {}

    // Why the snapshot cannot be put back into the ledger as it is now (a
    // column the snapshot holds that the table no longer has); empty when it
    // can.
    static QString mismatch(const LedgerSnapshot& snapshot, const LedgerSnapshot& current);

    void restore(const LedgerSnapshot& snapshot, const LedgerSnapshot& current);

    // The whole restore of a ledger's snapshot, in one transaction of its
    // own: the ledger as it is now kept as a snapshot first (so a restore can
    // be undone too), then both tables put back. Refuses (Failure 3265) when a
    // table lost a column the snapshot holds. Returns the number of the
    // snapshot of the ledger as it was.
    static int fromArchive(Session& session, const SnapshotArchive::Ledger& ledger, int number);
    // A value as an SQL literal that stores the same value and type.
    static QString literal(const QVariant& value);

private:
    void restoreOpenings(const LedgerSnapshot::Table& table, const TableColumns& columns);
    void restoreYears(const LedgerSnapshot::Table& snapshot, const LedgerSnapshot::Table& current,
                      const TableColumns& columns);
    // The positions of the snapshot's columns an insert may name: all but
    // those the database fills itself, whose values it makes anew.
    static QList<int> writable(const LedgerSnapshot::Table& table, const TableColumns& columns);
    SqlStatement insert(const LedgerSnapshot::Table& table, const QList<int>& written,
                        const QVariantList& row) const;
    // The rows inserted, after the statement before (if any).
    void insertAll(const LedgerSnapshot::Table& table, const TableColumns& columns,
                   const QList<const QVariantList*>& rows, const QString& before = {});

    Session& m_session;
};
