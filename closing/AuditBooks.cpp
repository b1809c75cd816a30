#include "closing/AuditBooks.h"

#include "closing/ClosingReport.h"
#include "closing/OpeningRows.h"
#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/Numbers.h"
#include "core/Progress.h"
#include "core/Texts.h"
#include "db/RecordSet.h"
#include "db/SqlStatement.h"
#include "snapshots/LedgerSnapshot.h"
#include "snapshots/SnapshotKeeper.h"
#include "snapshots/SnapshotRestore.h"
#include "years/DateQueries.h"

namespace {

QString sameText(const QList<double>& years, const QString& digest)
{
    return QStringLiteral("same: the figures of years %1 are those of the pack (digest %2)\n")
        .arg(PackFigures::yearsText(years), digest);
}

} // namespace

void AuditBooks::open(Profile::Id profile, const QString& server)
{
    const QString profileName = Profile::catalog(profile);
    Profile::connect(m_session, profile, server);
    m_identity = ArchiveLocation::ledgerOf(m_session, profileName, server);
    m_archive = SnapshotArchive::of(m_identity);
    SnapshotKeeper::settle(m_session, m_archive);
    m_name = QStringLiteral("%1 on %2").arg(profileName, server);
}

SnapshotArchive::Chain AuditBooks::chain(const QString& heldHead) const
{
    return m_archive.verify(heldHead);
}

qint64 AuditBooks::loadWork()
{
    return ClosingLedger::loadWork(m_session);
}

QList<LedgerCheck::Finding> AuditBooks::check(Progress& progress)
{
    m_ledger.loadYears(m_session);
    return LedgerCheck(m_session, m_ledger).run(&progress);
}

LedgerCheck::Rows AuditBooks::rowsBehind(const LedgerCheck::Finding& finding)
{
    return LedgerCheck::rowsBehind(m_session, finding);
}

LedgerCheck::Rows AuditBooks::accountYear(const QString& account, double year)
{
    const QString id = SqlStatement::literal(account);
    const QString yearText = Numbers::numberText(year);
    LedgerCheck::Rows rows{{QStringLiteral("Row"), QStringLiteral("Account"),
                            QStringLiteral("Other account"), QStringLiteral("Amount"),
                            QStringLiteral("Side"), QStringLiteral("Year")},
                           {}};
    RecordSet postings = m_session.query(
        QStringLiteral("Select Dr_Account, Cr_Account, Amount from Acc_transaction where "
                       "(Dr_Account=%1 or Cr_Account=%1) and Fin_Year_Id=%2")
            .arg(id, yearText));
    const SqlDialect& dialect = m_session.dialect();
    const QString key = dialect.idKey(account);
    while (!postings.eof()) {
        const bool debit = dialect.idKey(postings.field(0).toString()) == key;
        rows.values.append({QStringLiteral("posting"), postings.field(debit ? 0 : 1),
                            postings.field(debit ? 1 : 0), postings.field(2),
                            debit ? QStringLiteral("D") : QStringLiteral("C"), year});
        postings.moveNext();
    }
    postings.close();
    RecordSet stored = m_session.query(
        QStringLiteral("Select AccId, Opening, OpeningType, Closing, ClosingType from "
                       "Acc_Opening where AccId=%1 and AccYearID=%2")
            .arg(id, yearText));
    while (!stored.eof()) {
        rows.values.append({QStringLiteral("stored opening"), stored.field(0), QVariant(),
                            stored.field(1), stored.field(2), year});
        rows.values.append({QStringLiteral("stored closing"), stored.field(0), QVariant(),
                            stored.field(3), stored.field(4), year});
        stored.moveNext();
    }
    stored.close();
    return rows;
}

AuditBooks::Preview AuditBooks::preview(Progress& progress)
{
    m_ledger.load(m_session, progress);
    const QList<OpeningRow> now = OpeningRow::of(LedgerSnapshot::read(m_session).openings());
    const MigrationPreview preview(m_ledger);
    const QList<OpeningRow> after = preview.rowsAfter();
    return {now.size(), after.size(), preview.byYear(now, after), preview.text(now, after),
            !OpeningRows::compare(m_ledger.dialect(), now, after).isEmpty()};
}

AuditBooks::Proof AuditBooks::prove(Progress& progress, const QString& heldHead)
{
    progress.setProgress(0);
    m_ledger.loadYears(m_session);
    Proof proof;
    proof.chain = chain(heldHead);
    progress.setProgress(300);
    MigrationVerify verify(m_session, m_ledger);
    // A snapshot from a broken chain may have been altered: the proof then
    // stands on the books alone, and says why.
    proof.result = proof.chain.intact ? verify.run(m_archive) : verify.run();
    proof.archiveState = m_archive.stateText(proof.chain);
    progress.setProgress(1000);
    return proof;
}

AuditBooks::Snapshots AuditBooks::snapshots(const QString& heldHead) const
{
    Snapshots snapshots;
    snapshots.records = m_archive.records();
    snapshots.chain = chain(heldHead);
    snapshots.archiveState = m_archive.stateText(snapshots.chain);
    return snapshots;
}

void AuditBooks::requireIntactChain() const
{
    const SnapshotArchive::Chain intact = chain();
    if (!intact.intact)
        throw Failure(Failure::FileAccess,
                      QStringLiteral("The archive's chain is broken: %1. Nothing was read from it.")
                          .arg(intact.problem),
                      Failure::Kind::OwnFile);
}

LedgerSnapshot AuditBooks::intactSnapshot(int number) const
{
    requireIntactChain();
    return m_archive.load(number);
}

QList<SnapshotDiff::Change> AuditBooks::changesSince(int number)
{
    return SnapshotDiff::between(intactSnapshot(number), LedgerSnapshot::read(m_session));
}

QList<SnapshotDiff::Change> AuditBooks::restoreChanges(int number)
{
    return SnapshotDiff::between(LedgerSnapshot::read(m_session), intactSnapshot(number));
}

int AuditBooks::restore(int number)
{
    requireIntactChain();
    return SnapshotRestore::fromArchive(m_session, m_identity, number);
}

AuditBooks::Report AuditBooks::report(const QString& htmlPath, const QString& csvPath,
                                      Progress& progress, Pack* pack)
{
    m_ledger.load(m_session, progress);
    Report written{m_ledger.accounts().rows(), LedgerCheck(m_session, m_ledger).run()};
    if (pack)
        *pack = packOfLoaded(written.findings);
    ClosingReport report(m_ledger, written.findings, m_name);
    report.setArchiveState(m_archive.stateText(chain()));
    if (!htmlPath.isEmpty())
        ClosingReport::save(htmlPath, report.html());
    if (!csvPath.isEmpty())
        ClosingReport::save(csvPath, report.csv());
    return written;
}

AuditBooks::Pack AuditBooks::pack(Progress& progress)
{
    m_ledger.load(m_session, progress);
    return packOfLoaded(LedgerCheck(m_session, m_ledger).run());
}

AuditBooks::Pack AuditBooks::packOfLoaded(QList<LedgerCheck::Finding> findings)
{
    Pack pack;
    pack.ledger = m_name;
    pack.identity = m_identity;
    pack.madeAt = DayNumbers::dateTimeOfDay(DateQueries(m_session).GetServerDate());
    pack.user = SnapshotArchive::currentUser();
    pack.machine = SnapshotArchive::machineName();
    pack.findings = std::move(findings);
    pack.chain = chain();
    MigrationVerify verify(m_session, m_ledger);
    pack.proof = pack.chain.intact ? verify.run(m_archive) : verify.run();
    pack.figures = PackFigures::of(m_ledger);
    pack.canonical = pack.figures.canonical();
    pack.digest = PackFigures::digestOf(pack.canonical);
    return pack;
}

AuditBooks::Attestation AuditBooks::attestFigures(const QString& canonical, Progress& progress)
{
    const std::optional<QList<double>> years = PackFigures::yearsOf(canonical);
    if (!years)
        throw Failure(Failure::FileAccess,
                      QStringLiteral("The pack holds no figures Quillhaven can read."),
                      Failure::Kind::OwnFile);
    m_ledger.load(m_session, progress);
    Attestation attestation;
    attestation.years = *years;
    const QString now = PackFigures::of(m_ledger).canonical(*years);
    attestation.differences = PackFigures::compare(canonical, now);
    attestation.same = attestation.differences.isEmpty() && now == canonical;
    if (attestation.same) {
        attestation.text = sameText(*years, PackFigures::digestOf(now));
        return attestation;
    }
    attestation.text = QStringLiteral("different: %1 of years %2 differ from the pack's\n")
                           .arg(Texts::counted(attestation.differences.size(), "figure", "figures"),
                                PackFigures::yearsText(*years));
    for (const PackFigures::Difference& difference : attestation.differences)
        attestation.text += difference.text(m_ledger.yearLabel(difference.year)) + u'\n';
    return attestation;
}

AuditBooks::Attestation AuditBooks::attestDigest(const QString& digest, Progress& progress)
{
    m_ledger.load(m_session, progress);
    const PackFigures figures = PackFigures::of(m_ledger);
    // A pack covers the years closed when it was made: those come first of
    // the years closed now, one more for every year created since.
    Attestation attestation;
    QList<double> years = figures.closedYears();
    for (;;) {
        if (PackFigures::digestOf(figures.canonical(years)).compare(digest, Qt::CaseInsensitive) ==
            0) {
            attestation.same = true;
            attestation.years = years;
            break;
        }
        if (years.isEmpty())
            break;
        years.removeLast();
    }
    attestation.text =
        attestation.same
            ? sameText(years, digest.toLower())
            : QStringLiteral("different: no closed years' figures of the ledger have the "
                             "digest %1; give the pack (--pdf) to learn which differ\n")
                  .arg(digest.toLower());
    return attestation;
}
