#pragma once

#include "db/SqlDialect.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// A forward-only, read-only result of one query. It is positioned on the
// first row when it is handed out; eof() is true once the rows are used up.
// Column names are matched without regard to letter case; a Null comes back
// as a null QVariant.
class RecordSet
{
public:
    RecordSet() = default;
    // Takes an executed query and moves to its first row (throws Failure when
    // that fetch fails). The kind says whose error numbers the driver gives.
    // The query may be a prepared one the session runs again later: closing
    // the result resets it.
    explicit RecordSet(std::shared_ptr<QSqlQuery> query,
                       SqlDialect::Kind kind = SqlDialect::Kind::Sqlite);
    // One of several results of a request: closing it reads what rows are
    // left and leaves the query at the end of that result, for the next one
    // to follow.
    static RecordSet oneOfMany(std::shared_ptr<QSqlQuery> query, SqlDialect::Kind kind);
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;
    ~RecordSet();

    bool isOpen() const noexcept { return m_query != nullptr; }
    bool eof() const noexcept { return !m_onRow; }
    // Throws Failure 3265 for a name the result does not have, and Failure
    // 3021 when there is no current row.
    QVariant field(const QString& name) const;
    QVariant field(int position) const; // counted from 0
    // The column names as the driver gives them, in order.
    const QStringList& columns() const noexcept { return m_names; }
    void moveNext(); // throws Failure when the fetch fails
    void close() noexcept;

    static constexpr int ItemNotFound = 3265;
    static constexpr int NoCurrentRow = 3021;

private:
    static QVariant asStored(const QVariant& value);
    RecordSet(std::shared_ptr<QSqlQuery> query, SqlDialect::Kind kind, bool ownsQuery);
    void fetch();
    int indexOf(const QString& name) const;
    void requireRow() const;

    std::shared_ptr<QSqlQuery> m_query;
    QStringList m_names;
    SqlDialect::Kind m_kind = SqlDialect::Kind::Sqlite;
    bool m_onRow = false;
    bool m_ownsQuery = true;
};
