#include "db/RecordSet.h"

#include "core/Failure.h"
#include "db/DriverFailure.h"

#include <QSqlError>
#include <cmath>
#include <utility>

RecordSet::RecordSet(std::shared_ptr<QSqlQuery> query, SqlDialect::Kind kind)
    : RecordSet(std::move(query), kind, true)
{
}

RecordSet RecordSet::oneOfMany(std::shared_ptr<QSqlQuery> query, SqlDialect::Kind kind)
{
    return RecordSet(std::move(query), kind, false);
}

RecordSet::RecordSet(std::shared_ptr<QSqlQuery> query, SqlDialect::Kind kind, bool ownsQuery)
    : m_query(std::move(query)), m_kind(kind), m_ownsQuery(ownsQuery)
{
    // The names are read once: a lookup per cell must not build a record.
    const QSqlRecord record = m_query->record();
    m_names.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        m_names.append(record.fieldName(i));
    fetch();
}

RecordSet::RecordSet(RecordSet&& other) noexcept
    : m_query(std::move(other.m_query)), m_names(std::move(other.m_names)), m_kind(other.m_kind),
      m_onRow(std::exchange(other.m_onRow, false)), m_ownsQuery(other.m_ownsQuery)
{
}

RecordSet& RecordSet::operator=(RecordSet&& other) noexcept
{
    if (this != &other) {
        close();
        m_query = std::move(other.m_query);
        m_names = std::move(other.m_names);
        m_kind = other.m_kind;
        m_onRow = std::exchange(other.m_onRow, false);
        m_ownsQuery = other.m_ownsQuery;
    }
    return *this;
}

RecordSet::~RecordSet()
{
    close();
}

int RecordSet::indexOf(const QString& name) const
{
    // Few columns, so a straight scan beats hashing a lower-cased copy; the
    // exact spelling is the usual case and is tried first.
    const qsizetype count = m_names.size();
    for (qsizetype i = 0; i < count; ++i) {
        if (m_names[i] == name)
            return int(i);
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void RecordSet::requireRow() const
{
    if (!m_onRow)
        throw Failure(NoCurrentRow, QStringLiteral("There is no current row: the end of the result "
                                                   "has been reached or the result is closed."));
}

QVariant RecordSet::field(const QString& name) const
{
    requireRow();
    const int index = indexOf(name);
    if (index < 0)
        throw Failure(ItemNotFound, QStringLiteral("The result has no column named \"") + name +
                                        QStringLiteral("\"."));
    return asStored(m_query->value(index));
}

QVariant RecordSet::field(int position) const
{
    requireRow();
    if (position < 0 || position >= m_names.size())
        throw Failure(ItemNotFound, QStringLiteral("The result has no column %1 (it has %2).")
                                        .arg(position)
                                        .arg(m_names.size()));
    return asStored(m_query->value(position));
}

QVariant RecordSet::asStored(const QVariant& value)
{
    // The SQLite ODBC driver reads a stored text such as 'NaN' or 'Inf' in a
    // REAL column as that double; no amount can be one. It stays the text it
    // is, as the embedded driver gives it.
    if (value.typeId() == QMetaType::Double && !std::isfinite(value.toDouble()))
        return QVariant(QString::number(value.toDouble()));
    return value;
}

void RecordSet::moveNext()
{
    requireRow();
    fetch();
}

void RecordSet::close() noexcept
{
    const bool wasOnRow = std::exchange(m_onRow, false);
    // A prepared query outlives this result in the session; left part-way
    // through its rows it would keep the ledger's read lock.
    if (m_ownsQuery && m_query && m_query->isActive())
        m_query->finish();
    // Rows left unread make FreeTDS give their count as a result of its own,
    // out of step with the statements of the request.
    if (!m_ownsQuery && m_query && wasOnRow) {
        while (m_query->next()) {
        }
    }
    m_query.reset();
}

void RecordSet::fetch()
{
    m_onRow = m_query->next();
    if (!m_onRow) {
        const QSqlError error = m_query->lastError();
        // The statement is done either way; free it for the next one.
        if (m_ownsQuery)
            m_query->finish();
        if (error.isValid())
            throw DriverFailure::of(error, m_kind);
    }
}
