#include "db/Session.h"

#include "core/Failure.h"
#include "db/ConnectionString.h"
#include "db/DriverFailure.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcDrivers.h"
#include "db/ServerName.h"
#include "db/SqliteFile.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <chrono>
#include <future>

namespace {

std::atomic<int> g_sessions{0};

// The table the ledger's writers and readers take turns on: every writing
// command rewrites or checks Acc_Opening first, so a lock on it held to the
// end orders whole commands, not single statements.
const QString kTurnTable = QStringLiteral("Acc_Opening");

Failure noConnection()
{
    return Failure(Failure::NotReady,
                   QStringLiteral("There is no open connection to a database. Choose the "
                                  "database, type the server name and connect first."),
                   Failure::Kind::NotReady);
}

} // namespace

Session::Session(SessionOptions options)
    : m_connectionName(QStringLiteral("quillhaven-session-%1").arg(++g_sessions)),
      m_options(options)
{
}

Session::~Session()
{
    close();
}

void Session::open(const QString& connectionString)
{
    close();
    const ConnectionString parsed(connectionString);
    if (parsed.isEmbedded() || parsed.isEmbeddedViaOdbc())
        openEmbedded(parsed.embeddedFile(), parsed.isEmbeddedViaOdbc(), parsed.odbcForSqlite());
    else
        openSqlServer(parsed);
}

void Session::openEmbedded(const QString& file, bool viaOdbc, const QString& odbcText)
{
    // Both drivers would create a missing file, so every check comes first.
    SqliteFile::checkLedger(file);
    if (viaOdbc) {
        if (odbcText.isEmpty())
            throw DriverFailure::unnamedToOdbc(file);
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
        m_db.setDatabaseName(odbcText);
    } else {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        m_db.setDatabaseName(SqliteFile::noCreateUri(file));
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                                   .arg(SqlDialect::BusyTimeoutMs));
    }
    if (!m_db.open()) {
        const Failure failure = DriverFailure::atFileOpen(m_db.lastError(), file);
        close();
        throw failure;
    }
    // A file that is no ledger must fail here, not in the middle of a command.
    if (const std::optional<Failure> unreadable = SqliteFile::probeLedger(m_db, file)) {
        close();
        throw *unreadable;
    }
    m_dialect.emplace(SqlDialect::Kind::Sqlite,
                      viaOdbc ? SqlDialect::Access::Odbc : SqlDialect::Access::Native);
    m_embeddedFile = QFileInfo(file).canonicalFilePath();
}

void Session::openSqlServer(const ConnectionString& parsed)
{
    // A name no client can read must not reach the driver, which might make
    // something else of it.
    const ServerName name(parsed.server());
    if (!name.isValid())
        throw Failure(Failure::InvalidServerName, name.problem());
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
    m_db.setDatabaseName(parsed.odbcForSqlServer(OdbcDrivers::sqlServerDriver(),
                                                 m_options.queryTimeoutSeconds,
                                                 m_options.lockTimeoutSeconds));
    // Without it a server that accepts the connection but never answers
    // keeps the window waiting for ever.
    m_db.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(m_options.loginTimeoutSeconds));
    bool opened = false;
    if (m_whileOpening) {
        // The driver's open blocks until the server answers or the login
        // time-out passes; it waits on a helper thread while this one goes on
        // calling back. Nothing else touches the connection meanwhile.
        auto opening = std::async(std::launch::async, [this] { return m_db.open(); });
        while (opening.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            m_whileOpening();
        opened = opening.get();
    } else {
        opened = m_db.open();
    }
    if (!opened) {
        const Failure failure = DriverFailure::atServerOpen(m_db.lastError());
        close();
        throw failure;
    }
    m_dialect.emplace(SqlDialect::Kind::SqlServer);
    std::optional<Failure> refused;
    if (const QString settings = m_dialect->sessionSettings(m_options.lockTimeoutSeconds);
        !settings.isEmpty()) {
        QSqlQuery set(m_db);
        // A scrollable cursor would go as a server cursor's calls.
        set.setForwardOnly(true);
        if (!set.exec(settings))
            refused = DriverFailure::atServerOpen(set.lastError());
        else if (set.next() && DriverFailure::isCaseSensitive(set.value(0).toString()))
            refused =
                DriverFailure::caseSensitiveNames(set.value(1).toString(), set.value(0).toString());
    }
    if (refused) {
        close();
        throw *refused;
    }
}

void Session::close() noexcept
{
    rollback();
    m_embeddedFile.clear();
    m_connectionLost = false;
    m_dialect.reset();
    m_prepared.clear();
    if (!m_db.isValid())
        return;
    m_db.close();
    // The last handle must go before the connection is removed, or Qt
    // complains that it is still in use.
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Session::isOpen() const
{
    return m_dialect.has_value() && m_db.isOpen();
}

const SqlDialect& Session::dialect() const
{
    ensureOpen();
    return *m_dialect;
}

SqlDialect::Kind Session::kind() const noexcept
{
    return m_dialect ? m_dialect->kind() : SqlDialect::Kind::SqlServer;
}

void Session::ensureOpen() const
{
    if (!isOpen())
        throw noConnection();
}

void Session::record(const QString& sql)
{
    if (const qsizetype at = m_dialect->uncarriable(sql); at >= 0)
        throw DriverFailure::cannotCarry(sql, at, m_dialect->kind());
    if (m_beforeStatement)
        m_beforeStatement(sql);
    if (m_onStatement)
        m_onStatement();
    if (m_log) {
        m_log->append(sql);
        // A built statement has room to spare; the log keeps only its text.
        m_log->last().squeeze();
    }
}

void Session::execute(const QString& sql)
{
    ensureOpen();
    record(sql);
    QSqlQuery statement(m_db);
    // Without it the ODBC layer asks SQL Server for a static server cursor:
    // extra requests for a statement that returns no rows.
    statement.setForwardOnly(true);
    if (!statement.exec(sql))
        throw DriverFailure::refusedWrite(failureOf(statement), {sql});
    if (kind() != SqlDialect::Kind::SqlServer)
        return;
    // The answer is read to its end: with Microsoft's drivers each count of
    // a trigger's statements is a result before the statement's own, and an
    // error the trigger raised or ended the transaction with comes after
    // them.
    while (statement.nextResult()) {
    }
    if (statement.lastError().isValid())
        throw DriverFailure::refusedWrite(failureOf(statement), {sql});
}

RecordSet Session::run(const QString& sql)
{
    auto query = std::make_shared<QSqlQuery>(m_db);
    query->setForwardOnly(true);
    if (!query->exec(sql))
        throw failureOf(*query);
    return RecordSet(std::move(query), kind());
}

RecordSet Session::query(const QString& sql)
{
    ensureOpen();
    record(sql);
    return run(sql);
}

std::shared_ptr<QSqlQuery> Session::preparedShape(const QString& shape)
{
    bool prepared = false;
    std::shared_ptr<QSqlQuery> query = m_prepared.take(m_db, shape, prepared);
    if (!prepared)
        throw failureOf(*query);
    return query;
}

bool Session::runPrepared(QSqlQuery& query, const SqlStatement& statement)
{
    const QVariantList& values = statement.values();
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values[i]);
    return query.exec();
}

void Session::execute(const SqlStatement& statement)
{
    ensureOpen();
    if (!m_dialect->preparesShapes()) {
        execute(statement.textFor(m_dialect->kind()));
        return;
    }
    record(statement.text());
    const std::shared_ptr<QSqlQuery> query = preparedShape(statement.shape());
    const bool done = runPrepared(*query, statement);
    const QSqlError error = query->lastError();
    // Reset for its next run; a prepared statement left active would keep
    // its lock.
    query->finish();
    if (!done)
        throw failureOf(error);
}

RecordSet Session::query(const SqlStatement& statement)
{
    ensureOpen();
    if (!m_dialect->preparesShapes())
        return query(statement.textFor(m_dialect->kind()));
    record(statement.text());
    std::shared_ptr<QSqlQuery> query = preparedShape(statement.shape());
    if (!runPrepared(*query, statement)) {
        const QSqlError error = query->lastError();
        query->finish();
        throw failureOf(error);
    }
    return RecordSet(std::move(query), kind());
}

RecordSet Session::procedure(const QString& name)
{
    ensureOpen();
    record(name);
    return run(m_dialect->procedureSource(name));
}

// Runs a transaction statement; it is no statement of a command's, so the
// log and the fault hook do not see it.
bool Session::runTransactionStatement(const QString& sql, QSqlError& error)
{
    QSqlQuery statement(m_db);
    statement.setForwardOnly(true);
    const bool done = statement.exec(sql);
    error = statement.lastError();
    return done;
}

void Session::beginTransaction(Intent intent)
{
    ensureOpen();
    if (m_inTransaction)
        throw Failure(DriverFailure::Unspecified,
                      QStringLiteral("A transaction is already running on this connection."));
    const bool byStatements = m_dialect->transactionsAsStatements(intent == Intent::Write);
    if (byStatements) {
        const QString lock =
            intent == Intent::Read ? m_dialect->tableLockStatement(kTurnTable, false) : QString();
        QSqlError error;
        if (!runTransactionStatement(lock.isEmpty() ? m_dialect->beginStatement()
                                                    : m_dialect->beginStatement() + u';' + lock,
                                     error)) {
            const Failure failure = failureOf(error);
            if (!lock.isEmpty()) {
                // The transaction began before its lock failed.
                m_inTransaction = true;
                m_transactionByStatements = true;
                rollback();
            }
            throw failure;
        }
    } else if (!m_db.transaction()) {
        throw failureOf(m_db.lastError());
    }
    m_inTransaction = true;
    m_transactionByStatements = byStatements;
    if (const QString lock = m_dialect->tableLockStatement(kTurnTable, true);
        intent == Intent::Write && !lock.isEmpty()) {
        QSqlError error;
        if (!runTransactionStatement(lock, error)) {
            const Failure failure = failureOf(error);
            rollback();
            throw failure;
        }
    }
}

void Session::commit()
{
    ensureOpen();
    if (!m_inTransaction)
        throw Failure(DriverFailure::Unspecified,
                      QStringLiteral("There is no transaction to commit on this connection."));
    // A failed commit leaves the transaction open for the caller's rollback.
    if (m_transactionByStatements) {
        QSqlError error;
        if (!runTransactionStatement(m_dialect->commitStatement(), error)) {
            if (DriverFailure::isConnectionLost(error))
                throw DriverFailure::lostAtCommit(error);
            throw failureOf(error);
        }
    } else if (!m_db.commit()) {
        throw failureOf(m_db.lastError());
    }
    m_inTransaction = false;
}

Failure Session::failureOf(const QSqlQuery& query)
{
    QSqlError error = query.lastError();
    if (kind() == SqlDialect::Kind::SqlServer &&
        DriverFailure::nativeNumber(error) == DriverFailure::StatementTerminated) {
        // Every record's text stays, the 3621 after the error it follows.
        if (const auto first = OdbcDiagnostics::firstError(query))
            error = QSqlError(error.driverText(), error.databaseText(), error.type(),
                              QString::number(first->number));
    }
    return failureOf(error);
}

Failure Session::failureOf(const QSqlError& error)
{
    if (kind() == SqlDialect::Kind::SqlServer && DriverFailure::isConnectionLost(error))
        m_connectionLost = true;
    return DriverFailure::of(error, kind(), m_embeddedFile);
}

void Session::rollback()
{
    if (m_connectionLost && m_db.isOpen()) {
        // A rollback would wait out another time-out on a server that stopped
        // answering; the server rolls back itself once the connection goes.
        m_inTransaction = false;
        m_db.close();
        return;
    }
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (!m_db.isOpen())
        return;
    if (m_transactionByStatements && m_dialect) {
        QSqlError ignored;
        runTransactionStatement(m_dialect->rollbackStatement(), ignored);
    } else {
        m_db.rollback();
    }
}
