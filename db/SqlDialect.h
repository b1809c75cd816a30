#pragma once

#include <QString>

// Everything that differs between the embedded SQLite ledger and SQL Server
// lives here, so that every caller sends the same statement texts.
class SqlDialect
{
public:
    enum class Kind
    {
        SqlServer,
        Sqlite
    };

    explicit SqlDialect(Kind kind) : m_kind(kind) {}

    Kind kind() const noexcept { return m_kind; }

    // The text that runs a stored procedure given by its bare name. SQL
    // Server takes the name alone as a batch; the SQLite ledger holds a view
    // of that name.
    QString procedureSource(const QString& name) const;

    // Whether a long run of reads goes inside one read transaction. On
    // SQLite every statement outside a transaction takes and drops the file
    // lock and re-reads the header; one transaction saves that and gives the
    // reads one consistent view. SQL Server's reads are left as they were.
    bool readsInOneTransaction() const noexcept { return m_kind == Kind::Sqlite; }

    // How long a statement waits for a lock held by someone else, in ms.
    static constexpr int BusyTimeoutMs = 5000;

private:
    Kind m_kind;
};
