#include "snapshots/SnapshotRestore.h"

#include "core/Failure.h"
#include "core/Numbers.h"
#include "db/IdentityInsert.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementBatch.h"
#include "db/TableColumns.h"
#include "db/Transaction.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotKeeper.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

namespace {

const QString kYearId = QStringLiteral("AccYearID");

SqlStatement statement(const QString& text)
{
    return SqlStatement().raw(text);
}

// A value as it goes into a statement: the same value and type stored.
void appendValue(SqlStatement& s, const QVariant& value)
{
    if (value.isNull()) {
        s.raw(QStringLiteral("NULL"));
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        s.quoted(value.toString());
        return;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        s.raw(SnapshotRestore::literal(value));
        return;
    default:
        s.number(SnapshotRestore::literal(value));
        return;
    }
}

// The ids of a years table when every row has one of its own; empty when
// some row has none or shares it.
QHash<QString, int> uniqueIds(const LedgerSnapshot::Table& table)
{
    const int id = LedgerSnapshot::column(table, kYearId);
    QHash<QString, int> ids;
    if (id < 0)
        return {};
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const QVariant& value = table.rows[r][id];
        if (value.isNull() || ids.contains(value.toString()))
            return {};
        ids.insert(value.toString(), int(r));
    }
    return ids;
}

} // namespace

QString SnapshotRestore::literal(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return Numbers::exactText(value.toDouble());
    case QMetaType::QDateTime:
        return u'\'' + value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
               u'\'';
    case QMetaType::QDate:
        return u'\'' + value.toDate().toString(QStringLiteral("yyyy-MM-dd")) + u'\'';
    default:
        // Whole numbers as their digits.
        if (Numbers::isNumber(value))
            return value.toString();
        return SqlStatement::literal(value.toString());
    }
}

QString SnapshotRestore::mismatch(const LedgerSnapshot& snapshot, const LedgerSnapshot& current)
{
    for (const auto& [held, now] : {std::pair{&snapshot.openings(), &current.openings()},
                                    std::pair{&snapshot.years(), &current.years()}}) {
        for (const QString& column : held->columns) {
            if (LedgerSnapshot::column(*now, column) < 0)
                return QStringLiteral("The table %1 has no column %2 any more, which the snapshot "
                                      "holds; it cannot be put back as it was.")
                    .arg(held->name, column);
        }
    }
    return {};
}

QList<int> SnapshotRestore::writable(const LedgerSnapshot::Table& table,
                                     const TableColumns& columns)
{
    QList<int> positions;
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        if (columns.kindOf(table.columns[c]) != TableColumns::Kind::Generated)
            positions.append(int(c));
    }
    return positions;
}

SqlStatement SnapshotRestore::insert(const LedgerSnapshot::Table& table, const QList<int>& written,
                                     const QVariantList& row) const
{
    QStringList names;
    for (const int c : written)
        names.append(table.columns[c]);
    SqlStatement s;
    s.raw(QStringLiteral("INSERT INTO %1(%2) VALUES(").arg(table.name, names.join(u',')));
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (i > 0)
            s.append(QLatin1String(","));
        appendValue(s, row[written[i]]);
    }
    s.append(QLatin1String(")"));
    return s;
}

void SnapshotRestore::insertAll(const LedgerSnapshot::Table& table, const TableColumns& columns,
                                const QList<const QVariantList*>& rows, const QString& before)
{
    const QList<int> written = writable(table, columns);
    // Rows keep the identities they had.
    bool namesIdentity = false;
    for (const int c : written)
        namesIdentity =
            namesIdentity || columns.kindOf(table.columns[c]) == TableColumns::Kind::Identity;
    IdentityInsert identity(m_session, table.name, namesIdentity && !rows.isEmpty());
    StatementBatch batch(m_session);
    if (!before.isEmpty())
        batch.execute(statement(before));
    for (const QVariantList* row : rows)
        batch.execute(insert(table, written, *row));
    batch.flush();
    identity.end();
}

void SnapshotRestore::restore(const LedgerSnapshot& snapshot, const LedgerSnapshot& current)
{
    restoreOpenings(snapshot.openings(), TableColumns::of(m_session, snapshot.openings().name));
    restoreYears(snapshot.years(), current.years(),
                 TableColumns::of(m_session, snapshot.years().name));
}

void SnapshotRestore::restoreOpenings(const LedgerSnapshot::Table& table,
                                      const TableColumns& columns)
{
    QList<const QVariantList*> rows;
    for (const QVariantList& row : table.rows)
        rows.append(&row);
    insertAll(table, columns, rows, QStringLiteral("DELETE FROM ") + table.name);
}

void SnapshotRestore::restoreYears(const LedgerSnapshot::Table& snapshot,
                                   const LedgerSnapshot::Table& current,
                                   const TableColumns& columns)
{
    // Rows are changed in place where both sides name every year once, so a
    // year other tables refer to is never deleted and made anew.
    const QHash<QString, int> held = uniqueIds(snapshot);
    const QHash<QString, int> now = uniqueIds(current);
    const bool keyed = !held.isEmpty() && (!now.isEmpty() || current.rows.isEmpty());
    const int idColumn = LedgerSnapshot::column(snapshot, kYearId);
    StatementBatch batch(m_session);
    QList<const QVariantList*> inserts;
    if (keyed) {
        const int currentId = LedgerSnapshot::column(current, kYearId);
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (held.contains(it.key()))
                continue;
            SqlStatement remove;
            remove.raw(QStringLiteral("DELETE FROM %1 WHERE %2=").arg(snapshot.name, kYearId));
            appendValue(remove, current.rows[it.value()][currentId]);
            batch.execute(remove);
        }
        for (const QVariantList& row : snapshot.rows) {
            if (!now.contains(row[idColumn].toString())) {
                inserts.append(&row);
                continue;
            }
            SqlStatement update;
            update.raw(QStringLiteral("UPDATE %1 SET ").arg(snapshot.name));
            bool first = true;
            for (qsizetype c = 0; c < snapshot.columns.size(); ++c) {
                // The key stays, and an identity or what the database fills
                // itself takes no value.
                if (c == idColumn ||
                    columns.kindOf(snapshot.columns[c]) != TableColumns::Kind::Plain)
                    continue;
                update.raw((first ? QString() : QStringLiteral(",")) + snapshot.columns[c] + u'=');
                appendValue(update, row[c]);
                first = false;
            }
            update.raw(QStringLiteral(" WHERE %1=").arg(snapshot.columns[idColumn]));
            appendValue(update, row[idColumn]);
            batch.execute(update);
        }
    } else {
        batch.execute(statement(QStringLiteral("DELETE FROM ") + snapshot.name));
        for (const QVariantList& row : snapshot.rows)
            inserts.append(&row);
    }
    batch.flush();
    insertAll(snapshot, columns, inserts);
}

int SnapshotRestore::fromArchive(Session& session, const SnapshotArchive::Ledger& ledger,
                                 int number)
{
    const LedgerSnapshot held = SnapshotArchive::of(ledger).load(number);
    Transaction transaction(session, Session::Intent::Write);
    const LedgerSnapshot now = LedgerSnapshot::read(session);
    const QString why = mismatch(held, now);
    if (!why.isEmpty())
        throw Failure(RecordSet::ItemNotFound, why + QStringLiteral(" Nothing was restored."));
    const QString command = QStringLiteral("Restore %1").arg(number);
    SnapshotKeeper keeper(session, ledger, command);
    try {
        SnapshotRestore(session).restore(held, now);
    } catch (const Failure& failure) {
        throw transaction.undo(failure, command);
    }
    const int kept = keeper.kept();
    transaction.commit();
    keeper.landed();
    return kept;
}
