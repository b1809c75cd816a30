#include "db/Session.h"

#include "core/Failure.h"
#include "db/ConnectionString.h"
#include "db/DriverFailure.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcDrivers.h"
#include "db/ServerName.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <future>

namespace {

std::atomic<int> g_sessions{0};
std::atomic<int> g_loginTimeoutSeconds{15};
std::atomic<int> g_queryTimeoutSeconds{30};
std::atomic<int> g_lockTimeoutSeconds{30};

// The commands use a handful of shapes; the bound only guards the memory.
constexpr qsizetype kMaxPreparedShapes = 32;

Failure noConnection()
{
    return Failure(Failure::NotReady,
                   QStringLiteral("There is no open connection to a database. Choose the "
                                  "database, type the server name and connect first."));
}

Failure missingLedger(const QString& what)
{
    return Failure(Failure::E_FAIL, what);
}

// An SQLite URI that opens the file only if it exists: "mode=rw" never
// creates it, even when someone removes it between the check and the open.
QString noCreateUri(const QString& file)
{
    return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw");
}

} // namespace

Session::Session() : m_connectionName(QStringLiteral("quillhaven-session-%1").arg(++g_sessions)) {}

Session::~Session()
{
    close();
}

int Session::loginTimeoutSeconds()
{
    return g_loginTimeoutSeconds;
}

void Session::setLoginTimeoutSeconds(int seconds)
{
    g_loginTimeoutSeconds = seconds;
}

int Session::queryTimeoutSeconds()
{
    return g_queryTimeoutSeconds;
}

void Session::setQueryTimeoutSeconds(int seconds)
{
    g_queryTimeoutSeconds = seconds;
}

int Session::lockTimeoutSeconds()
{
    return g_lockTimeoutSeconds;
}

void Session::setLockTimeoutSeconds(int seconds)
{
    g_lockTimeoutSeconds = seconds;
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
    if (file.isEmpty())
        throw missingLedger(QStringLiteral("No ledger folder follows the scheme of the server "
                                           "name."));
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (folder.isFile())
        throw missingLedger(QStringLiteral("%1 is a file, not a folder: the server name names the "
                                           "folder that holds the ledger files (%2).")
                                .arg(QDir::toNativeSeparators(folder.filePath()),
                                     QDir::toNativeSeparators(folder.absolutePath())));
    if (!folder.isDir())
        throw missingLedger(QStringLiteral("The ledger folder %1 does not exist.")
                                .arg(QDir::toNativeSeparators(folder.filePath())));
    if (!folder.isReadable() || !folder.isExecutable())
        throw missingLedger(QStringLiteral("The ledger folder %1 cannot be read.")
                                .arg(QDir::toNativeSeparators(folder.filePath())));
    if (!info.exists())
        throw missingLedger(QStringLiteral("The ledger file %1 does not exist.")
                                .arg(QDir::toNativeSeparators(file)));
    if (!info.isFile() || !info.isReadable())
        throw missingLedger(QStringLiteral("The ledger file %1 cannot be read.")
                                .arg(QDir::toNativeSeparators(file)));

    if (viaOdbc) {
        if (odbcText.isEmpty())
            throw missingLedger(QStringLiteral("The ledger file %1 cannot be named to the SQLite "
                                               "ODBC driver: its path holds a \";\".")
                                    .arg(QDir::toNativeSeparators(file)));
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
        m_db.setDatabaseName(odbcText);
    } else {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        m_db.setDatabaseName(noCreateUri(file));
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                                   .arg(SqlDialect::BusyTimeoutMs));
    }
    if (!m_db.open()) {
        const Failure failure = DriverFailure::atFileOpen(m_db.lastError(), file);
        close();
        throw failure;
    }
    // Neither driver reads the file before the first statement; a file that
    // is no SQLite database must fail here, not in the middle of a command.
    std::optional<Failure> unreadable;
    {
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next())
            unreadable = DriverFailure::atFileOpen(probe.lastError(), file);
        else if (probe.value(0).toInt() == 0)
            unreadable = DriverFailure::holdsNoTables(file);
    }
    if (unreadable) {
        close();
        throw *unreadable;
    }
    m_dialect.emplace(SqlDialect::Kind::Sqlite,
                      viaOdbc ? SqlDialect::Access::Odbc : SqlDialect::Access::Native);
    m_embeddedFile = info.canonicalFilePath();
}

QString Session::ledgerIdentity()
{
    ensureOpen();
    if (m_dialect->kind() == SqlDialect::Kind::Sqlite)
        return QStringLiteral("file:") + m_embeddedFile;
    RecordSet rs;
    try {
        rs = query(QStringLiteral("Select @@SERVERNAME as ServerName, DB_NAME() as DatabaseName, "
                                  "database_id, create_date from sys.databases where "
                                  "database_id=DB_ID()"));
    } catch (const Failure& failure) {
        // SQL Server 2000 has no catalog views, only the compatibility view
        // that every later version keeps too: the same id and date.
        if (failure.number() != DriverFailure::InvalidObjectName)
            throw;
        rs = query(QStringLiteral("Select @@SERVERNAME as ServerName, DB_NAME() as DatabaseName, "
                                  "dbid, crdate from master..sysdatabases where dbid=DB_ID()"));
    }
    QStringList parts{QStringLiteral("sqlserver:")};
    if (!rs.eof()) {
        for (int c = 0; c < 4; ++c) {
            const QVariant value = rs.field(c);
            parts.append(value.typeId() == QMetaType::QDateTime
                             ? value.toDateTime().toString(Qt::ISODateWithMs)
                             : value.toString().toUpper());
        }
    }
    rs.close();
    return parts.join(u'/');
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
                                                 queryTimeoutSeconds(), lockTimeoutSeconds()));
    // Without it a server that accepts the connection but never answers
    // keeps the window waiting for ever.
    m_db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(loginTimeoutSeconds()));
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
    if (const QString settings = m_dialect->sessionSettings(lockTimeoutSeconds());
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
    const auto found = m_prepared.constFind(shape);
    // One still held by an open result cannot run again underneath it.
    if (found != m_prepared.cend() && found->use_count() == 1)
        return *found;
    auto query = std::make_shared<QSqlQuery>(m_db);
    query->setForwardOnly(true);
    if (!query->prepare(shape))
        throw failureOf(*query);
    if (found == m_prepared.cend()) {
        if (m_prepared.size() >= kMaxPreparedShapes)
            m_prepared.clear();
        m_prepared.insert(shape, query);
    }
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
        const QString lock = intent == Intent::Read ? m_dialect->readLockStatement() : QString();
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
    if (const QString lock = m_dialect->writeLockStatement();
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
