#pragma once

#include "core/Failure.h"
#include "db/ConnectionString.h"
#include "db/RecordSet.h"
#include "db/SessionOptions.h"
#include "db/SqlDialect.h"
#include "db/SqlStatement.h"
#include "db/StatementCache.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// The program's one connection to the ledger. It is created unopened; open()
// takes a profile's connection string and chooses the backend: the embedded
// SQLite ledger for "sqlite:FOLDER" (or "sqliteodbc:FOLDER" through ODBC),
// otherwise SQL Server through ODBC. Every failure is thrown as a Failure
// with the driver's number and text.
class Session
{
public:
    explicit Session(SessionOptions options = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the connection. An unreachable server, or an embedded ledger file
    // that does not exist, fails with Failure::E_FAIL; a refused login with
    // Failure::LoginRefused.
    void open(const QString& connectionString);
    bool isOpen() const;
    const SqlDialect& dialect() const;
    // The canonical path of the embedded ledger's file; empty for SQL Server.
    const QString& embeddedFile() const noexcept { return m_embeddedFile; }

    // A statement that returns no rows.
    void execute(const QString& sql);
    // A query: forward-only, positioned on its first row.
    RecordSet query(const QString& sql);
    // The same for a statement built from pieces and values: its text is
    // logged, and it runs as its text or as its prepared shape, as the
    // dialect says.
    void execute(const SqlStatement& statement);
    RecordSet query(const SqlStatement& statement);
    // A stored procedure given by its bare name, run as the dialect says.
    RecordSet procedure(const QString& name);

    // A transaction that is to write takes the ledger's write lock at its
    // start where the ledger has one (SQLite): a second writer waits for it
    // to end before it can even read what it is going to check.
    enum class Intent
    {
        Read,
        Write
    };
    void beginTransaction(Intent intent = Intent::Read);
    void commit();
    void rollback(); // never throws: it runs while a failure is being reported
    bool inTransaction() const noexcept { return m_inTransaction; }

    // Every statement text sent (execute, query, procedure name) is appended
    // here, in order, while a log is set. The session does not own it.
    void setStatementLog(QStringList* log) noexcept { m_log = log; }

    // Called with every statement text right before it is sent; a Failure
    // thrown from it fails that statement. For fault tests.
    using StatementHook = std::function<void(const QString&)>;
    void setBeforeStatement(StatementHook hook) { m_beforeStatement = std::move(hook); }
    // Called once for every statement sent (batched ones included), for a
    // command that shows how far it is.
    void setOnStatement(std::function<void()> counted) { m_onStatement = std::move(counted); }
    // Called every 50 ms while a SQL Server open waits for the server (up
    // to the login time-out), so a window can keep painting meanwhile.
    void setWhileOpening(std::function<void()> waiting) { m_whileOpening = std::move(waiting); }

    const SessionOptions& options() const noexcept { return m_options; }

private:
    // Records its statements one by one and sends them on this connection.
    friend class StatementBatch;

    void openEmbedded(const QString& file, bool viaOdbc, const QString& odbcText);
    void openSqlServer(const ConnectionString& parsed);
    void close() noexcept;
    void ensureOpen() const;
    void record(const QString& sql);
    // The failure a driver's error stands for, noting a lost connection.
    Failure failureOf(const QSqlError& error);
    // The same for a query's failure, numbered by its first error where SQL
    // Server followed it with "The statement has been terminated." (3621).
    Failure failureOf(const QSqlQuery& query);
    RecordSet run(const QString& sql);
    bool runTransactionStatement(const QString& sql, QSqlError& error);
    std::shared_ptr<QSqlQuery> preparedShape(const QString& shape);
    bool runPrepared(QSqlQuery& query, const SqlStatement& statement);
    SqlDialect::Kind kind() const noexcept;

    QString m_connectionName;
    QString m_embeddedFile;
    QSqlDatabase m_db;
    std::optional<SqlDialect> m_dialect;
    SessionOptions m_options;
    StatementCache m_prepared;
    QStringList* m_log = nullptr;
    StatementHook m_beforeStatement;
    std::function<void()> m_onStatement;
    std::function<void()> m_whileOpening;
    bool m_inTransaction = false;
    bool m_connectionLost = false;
    bool m_transactionByStatements = false;
};
