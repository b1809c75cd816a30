#pragma once

#include "closing/OpeningRows.h"

#include <QString>

class ClosingLedger;
class Session;
class SnapshotArchive;

// The proof of a migration: what it must have written, recomputed from the
// postings with one aggregate query per year (not from the worksheet), set
// against Acc_Opening row by row.
class MigrationVerify
{
public:
    struct Result
    {
        // How the expected rows were made: from the openings of the snapshot
        // kept before the last migration, or from the books alone.
        QString basis;
        QList<OpeningRows::Change> differences;
    };

    MigrationVerify(Session& session, const ClosingLedger& ledger)
        : m_session(session), m_ledger(ledger)
    {
    }

    // From the snapshot kept right before the last migration (its openings,
    // its years and the server's clock then; basis names it): what that
    // migration must have written.
    Result run(const LedgerSnapshot& before, double clockThen, const QString& basis);
    // Without one, what the books alone can show: each closing is its
    // opening plus the year's postings, each opening the closing before.
    Result run();
    // From the newest snapshot the archive keeps of a Migrate Accounts,
    // else from the books alone.
    Result run(const SnapshotArchive& archive);

    static QString text(const Result& result);

private:
    Result compute(const LedgerSnapshot::Table* openingsBefore, const QList<double>& years,
                   qint32 currentYear, const QString& basis);

    Session& m_session;
    const ClosingLedger& m_ledger;
};
