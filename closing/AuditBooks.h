#pragma once

#include "closing/ClosingLedger.h"
#include "closing/LedgerCheck.h"
#include "closing/MigrationPreview.h"
#include "closing/MigrationVerify.h"
#include "closing/PackFigures.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotDiff.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

class Progress;

// A ledger as the auditor reads it: one connection of its own and every
// question the audit window, quillhaven-close and quillhaven-snapshots ask,
// answered here alone, so that they cannot disagree. Nothing here writes to
// the ledger but restore(), which keeps a snapshot of the ledger first.
// Failures are thrown.
class AuditBooks
{
public:
    struct Preview
    {
        qsizetype rowsNow = 0;
        qsizetype rowsAfter = 0;
        QMap<double, MigrationPreview::Year> years;
        QString text;         // per year the counts and totals, then the changes
        bool changes = false; // whether the migration would change Acc_Opening
    };

    struct Report
    {
        qsizetype worksheetRows = 0;
        QList<LedgerCheck::Finding> findings;
    };

    // Everything the auditor's pack prints.
    struct Pack
    {
        QString ledger; // "Dosavine on SERVER"
        SnapshotArchive::Ledger identity;
        QDateTime madeAt; // by the server's clock
        QString user;
        QString machine;
        QList<LedgerCheck::Finding> findings;
        MigrationVerify::Result proof;
        SnapshotArchive::Chain chain;
        PackFigures figures;
        QString canonical; // of the closed years' figures
        QString digest;
    };

    // The closed years' figures now set against a pack's.
    struct Attestation
    {
        bool same = false;
        QList<double> years; // the pack's closed years
        QList<PackFigures::Difference> differences;
        QString text; // the verdict, then one line a difference
    };

    struct Proof
    {
        MigrationVerify::Result result;
        SnapshotArchive::Chain chain;
        QString archiveState;
    };

    struct Snapshots
    {
        QList<SnapshotArchive::Record> records; // newest first
        SnapshotArchive::Chain chain;
        QString archiveState;
    };

    AuditBooks() = default;
    AuditBooks(const AuditBooks&) = delete;
    AuditBooks& operator=(const AuditBooks&) = delete;

    // Connects as the year-end window does and finds the ledger's archive.
    void open(Profile::Id profile, const QString& server);
    bool isOpen() const { return m_session.isOpen(); }
    // "Dosavine on SERVER".
    const QString& name() const noexcept { return m_name; }
    // The open ledger's snapshot archive.
    const SnapshotArchive& archive() const noexcept { return m_archive; }
    // The archive's chain, with a head noted before when one is given
    // (SnapshotArchive::verify).
    SnapshotArchive::Chain chain(const QString& heldHead = {}) const;
    // The rows a load of the worksheet reads, for a progress that counts them.
    qint64 loadWork();

    // The check's findings, the years read first.
    QList<LedgerCheck::Finding> check(Progress& progress);
    LedgerCheck::Rows rowsBehind(const LedgerCheck::Finding& finding);
    // What makes an account's figures in a year: its postings on either
    // side and its stored opening and closing rows.
    LedgerCheck::Rows accountYear(const QString& account, double year);
    // What Migrate Accounts would change, the ledger loaded as the window
    // loads it.
    Preview preview(Progress& progress);
    // The proof, from the snapshot before the last migration when the
    // archive's chain is intact, else from the books alone.
    Proof prove(Progress& progress, const QString& heldHead = {});
    Snapshots snapshots(const QString& heldHead = {}) const;
    // What putting snapshot `number` back would change in the ledger now.
    QList<SnapshotDiff::Change> restoreChanges(int number);
    // What changed from snapshot `number` to the ledger now.
    QList<SnapshotDiff::Change> changesSince(int number);
    // Puts snapshot `number` back after keeping one of the ledger as it is;
    // returns that one's number. Refuses a broken chain.
    int restore(int number);
    // The HTML and CSV reports, each written when its path is not empty;
    // the pack from the same load of the ledger when one is asked for.
    Report report(const QString& htmlPath, const QString& csvPath, Progress& progress,
                  Pack* pack = nullptr);

    // The auditor's pack: the ledger loaded as the window loads it, checked
    // and proved.
    Pack pack(Progress& progress);
    // Whether the closed years' figures are still those of a pack, given by
    // its canonical text, or by its digest alone (which can only say whether,
    // not where).
    Attestation attestFigures(const QString& canonical, Progress& progress);
    Attestation attestDigest(const QString& digest, Progress& progress);

    // Short for a year's label on the last ledger loaded.
    QString yearLabel(double year) const { return m_ledger.yearLabel(year); }

private:
    // Refuses (Failure::FileAccess) an archive whose chain is broken: one of
    // its snapshots may have been altered.
    void requireIntactChain() const;
    // A snapshot read from the archive, refused when its chain is broken.
    LedgerSnapshot intactSnapshot(int number) const;
    // The pack of the ledger as last loaded, with the check's findings on it.
    Pack packOfLoaded(QList<LedgerCheck::Finding> findings);

    Session m_session;
    SnapshotArchive::Ledger m_identity;
    SnapshotArchive m_archive{QString()};
    ClosingLedger m_ledger;
    QString m_name;
};
