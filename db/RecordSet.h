#pragma once

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
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
    explicit RecordSet(std::unique_ptr<QSqlQuery> query);
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;
    ~RecordSet();

    bool isOpen() const noexcept { return m_query != nullptr; }
    bool eof() const noexcept { return !m_onRow; }
    // Throws Failure 3265 for a name the result does not have, and Failure
    // 3021 when there is no current row.
    QVariant field(const QString& name) const;
    QVariant field(int position) const;  // counted from 0
    void moveNext();                     // throws Failure when the fetch fails
    void close();

private:
    void fetch();

    std::unique_ptr<QSqlQuery> m_query;
    bool m_onRow = false;
};
