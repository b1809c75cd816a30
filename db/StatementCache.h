#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <memory>

class QSqlQuery;

// The statements a connection has prepared, by shape, so that a shape run
// again is not prepared again. A prepared statement still held by an open
// result is not handed out twice.
class StatementCache
{
public:
    // The prepared statement of this shape on db, ready to bind. When the
    // driver refused to prepare it, prepared is false and the statement
    // returned holds the driver's error; it is not kept.
    std::shared_ptr<QSqlQuery> take(QSqlDatabase& db, const QString& shape, bool& prepared);
    void clear() { m_prepared.clear(); }

private:
    // The commands use a handful of shapes; the bound only guards the memory.
    static constexpr qsizetype MaxShapes = 32;

    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;
};
