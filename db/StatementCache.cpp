#include "db/StatementCache.h"

#include <QSqlQuery>

std::shared_ptr<QSqlQuery> StatementCache::take(QSqlDatabase& db, const QString& shape,
                                                bool& prepared)
{
    prepared = true;
    const auto found = m_prepared.constFind(shape);
    // One still held by an open result cannot run again underneath it.
    if (found != m_prepared.cend() && found->use_count() == 1)
        return *found;
    auto query = std::make_shared<QSqlQuery>(db);
    query->setForwardOnly(true);
    if (!query->prepare(shape)) {
        prepared = false;
        return query;
    }
    if (found == m_prepared.cend()) {
        if (m_prepared.size() >= MaxShapes)
            m_prepared.clear();
        m_prepared.insert(shape, query);
    }
    return query;
}
