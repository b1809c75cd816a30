#include "closing/MigrationVerify.h"

#include "closing/AccountFigures.h"
#include "closing/ClosingLedger.h"
#include "core/DayNumbers.h"
#include "core/Numbers.h"
#include "core/Texts.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"

MigrationVerify::Result MigrationVerify::run(const LedgerSnapshot& before, double clockThen,
                                             const QString& basis)
{
    // The years as the migration saw them, and the year whose closings it
    // set to 0: the active one, if the server's clock was inside it.
    const LedgerSnapshot::Table& table = before.years();
    const int id = LedgerSnapshot::column(table, QStringLiteral("AccYearID"));
    const int start = LedgerSnapshot::column(table, QStringLiteral("Acc_Yr_Start"));
    const int end = LedgerSnapshot::column(table, QStringLiteral("Acc_Yr_End"));
    const int active = LedgerSnapshot::column(table, QStringLiteral("Active"));
    QList<double> years;
    qint32 current = 0;
    const qint32 today = DayNumbers::wholeDay(clockThen);
    for (const QVariantList& row : table.rows) {
        if (id < 0)
            break;
        years.append(Numbers::ofAnyValue(row[id]));
        if (start >= 0 && end >= 0 && active >= 0 && Numbers::ofAnyValue(row[active]) == 1 &&
            DayNumbers::wholeDay(DayNumbers::toDayNumber(row[start])) <= today &&
            today <= DayNumbers::wholeDay(DayNumbers::toDayNumber(row[end])))
            current = Numbers::toInt32(row[id]);
    }
    return compute(&before.openings(), years, current, basis);
}

MigrationVerify::Result MigrationVerify::run()
{
    QList<double> years;
    const GridModel& list = m_ledger.years();
    for (int y = 1; y <= list.rows(); ++y)
        years.append(list.numberAt(GridColumns::YrId, y));
    return compute(
        nullptr, years, m_ledger.currentYear(),
        QStringLiteral("the books alone (no snapshot of a migration that landed in this ledger's "
                       "archive): each closing is its opening plus the year's "
                       "postings, cut to two decimals, and each opening the closing "
                       "of the year before"));
}

MigrationVerify::Result MigrationVerify::run(const SnapshotArchive& archive)
{
    for (const SnapshotArchive::Record& record : archive.records()) {
        // A migration that was refused, failed or died changed nothing to
        // prove.
        if (record.command != QLatin1String("Migrate Accounts") ||
            record.outcome != SnapshotArchive::Outcome::Landed)
            continue;
        const QString basis =
            QStringLiteral("snapshot %1, kept before Migrate Accounts on %2 by %3 on %4, the "
                           "last migration that landed")
                .arg(record.number)
                .arg(record.taken.toLocalTime().toString(QStringLiteral("d MMM yyyy HH:mm")),
                     record.user, record.machine);
        return run(archive.load(record.number), record.serverClock, basis);
    }
    return run();
}

MigrationVerify::Result MigrationVerify::compute(const LedgerSnapshot::Table* openingsBefore,
                                                 const QList<double>& years, qint32 currentYear,
                                                 const QString& basis)
{
    const QList<OpeningRow> now = OpeningRow::of(LedgerSnapshot::read(m_session).openings());
    // The openings the closings grow from: as stored before the migration,
    // or as stored now.
    const QList<AccountFigures::Figure> figures = AccountFigures::compute(
        m_session, years, openingsBefore ? OpeningRow::of(*openingsBefore) : now);
    // The migration's updates name an account and a year, and the database
    // finds every row of that account as it compares ids; of several
    // worksheet rows for one such account, the last one's update stands.
    QHash<QString, const AccountFigures::Figure*> byPair;
    for (const AccountFigures::Figure& f : figures)
        byPair.insert(m_ledger.pairKey(f.account, f.year), &f);
    const QHash<QString, const OpeningRow*> firstNow =
        AccountFigures::firstRows(m_ledger.dialect(), now);

    QList<OpeningRow> expected;
    expected.reserve(figures.size());
    for (const AccountFigures::Figure& f : figures) {
        OpeningRow row{f.account, f.year, f.opening, f.openingSide, f.closing, f.closingSide};
        const QString before = m_ledger.pairKey(f.account, m_ledger.previousYear(f.year));
        if (openingsBefore) {
            // The migration carried the closing it computed before.
            if (const AccountFigures::Figure* previous = byPair.value(before)) {
                row.opening = previous->closing;
                row.openingSide = previous->closingSide;
            }
        } else if (const OpeningRow* previous = firstNow.value(before)) {
            // From the books alone: the opening is the closing stored before.
            row.opening = Numbers::ofAnyValue(previous->closing);
            row.openingSide = previous->closingSide;
        }
        if (currentYear != 0 && row.year == currentYear) {
            row.closing = 0.0;
            row.closingSide = QStringLiteral("D");
        }
        expected.append(row);
    }
    return {basis, OpeningRows::compare(m_ledger.dialect(), now, expected)};
}

QString MigrationVerify::text(const Result& result)
{
    QString out = QStringLiteral("Checked against %1.\n").arg(result.basis);
    if (result.differences.isEmpty())
        return out + QStringLiteral("No differences: Acc_Opening holds what the migration must "
                                    "have written.\n");
    for (const OpeningRows::Change& change : result.differences) {
        // The table's row came first in the comparison, the migration's second.
        out +=
            QStringLiteral("%1, year %2: ").arg(change.account, Numbers::numberText(change.year));
        if (change.kind == QLatin1String("added"))
            out += QStringLiteral("missing; the migration must have written ") + change.after;
        else if (change.kind == QLatin1String("removed"))
            out += QStringLiteral("holds ") + change.before +
                   QStringLiteral("; the migration would not have left this row");
        else
            out += QStringLiteral("holds ") + change.before +
                   QStringLiteral("; the migration must have written ") + change.after;
        out += u'\n';
    }
    return out + Texts::counted(result.differences.size(), "difference", "differences") +
           QStringLiteral(" beyond half a paisa\n");
}
