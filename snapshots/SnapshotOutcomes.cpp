#include "snapshots/SnapshotOutcomes.h"

#include "core/Failure.h"
#include "db/SqliteFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <optional>

namespace {

const QLatin1String kLanded("landed");
const QLatin1String kNotLanded("not landed");

Failure outcomeFailure(const QString& path, const QString& why)
{
    return Failure(Failure::FileAccess,
                   QStringLiteral("The snapshot archive %1 cannot hold a command's outcome: %2")
                       .arg(QDir::toNativeSeparators(path), why),
                   Failure::Kind::OwnFile);
}

// The rows of both tables, in whatever order the server gave them.
QByteArray stateOf(const LedgerSnapshot& snapshot)
{
    return LedgerSnapshot::digestOf(snapshot.openings()) + '/' +
           LedgerSnapshot::digestOf(snapshot.years());
}

} // namespace

QHash<int, SnapshotArchive::Outcome> SnapshotOutcomes::read() const
{
    QHash<int, Outcome> outcomes;
    if (!QFileInfo::exists(m_path))
        return outcomes;
    SqliteFile file(m_path, SqliteFile::Mode::ReadOnly);
    if (!file.open())
        return outcomes;
    QSqlQuery query(file.db());
    // An archive from before outcomes were kept has no table for them.
    if (!query.exec(QStringLiteral("SELECT number, outcome FROM outcomes")))
        return outcomes;
    while (query.next())
        outcomes.insert(query.value(0).toInt(), query.value(1).toString() == kLanded
                                                    ? Outcome::Landed
                                                    : Outcome::NotLanded);
    return outcomes;
}

void SnapshotOutcomes::set(int number, Outcome outcome)
{
    if (outcome == Outcome::Unsettled)
        return;
    SqliteFile file(m_path, SqliteFile::Mode::ReadWrite);
    if (!file.open())
        throw outcomeFailure(m_path, file.error());
    QSqlQuery query(file.db());
    if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outcomes(number INTEGER PRIMARY "
                                   "KEY, outcome TEXT)")))
        throw outcomeFailure(m_path, query.lastError().text());
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO outcomes VALUES(?,?)"));
    query.bindValue(0, number);
    query.bindValue(1, outcome == Outcome::Landed ? kLanded : kNotLanded);
    if (!query.exec())
        throw outcomeFailure(m_path, query.lastError().text());
}

void SnapshotOutcomes::settle(const SnapshotArchive& archive,
                              const QList<SnapshotArchive::Record>& records,
                              const LedgerSnapshot& now)
{
    // The rows as they stood after a record's command: the next record's
    // snapshot, or the ledger now; each snapshot read only where needed.
    std::optional<QByteArray> after = stateOf(now);
    QByteArray afterChecksum;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const SnapshotArchive::Record& record = records[i];
        std::optional<QByteArray> state;
        if (record.outcome == Outcome::Unsettled) {
            bool same = i > 0 && record.checksum == afterChecksum;
            if (!same) {
                if (!after)
                    after = stateOf(archive.load(records[i - 1].number));
                state = stateOf(archive.load(record.number));
                same = *state == *after;
            }
            set(record.number, same ? Outcome::NotLanded : Outcome::Landed);
        }
        afterChecksum = record.checksum;
        after = state;
    }
}

QString SnapshotOutcomes::text(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Landed:
        return QStringLiteral("landed");
    case Outcome::NotLanded:
        return QStringLiteral("did not land");
    case Outcome::Unsettled:
        break;
    }
    return QStringLiteral("not settled");
}
