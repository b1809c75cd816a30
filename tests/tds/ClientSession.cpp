#include "tests/tds/ClientSession.h"

#include "tests/tds/ClientLogin.h"
#include "tests/tds/ServerCatalog.h"
#include "tests/tds/ServerControl.h"
#include "tests/tds/TableRules.h"
#include "tests/tds/TdsTokens.h"
#include "tests/tds/TriggerFiring.h"

#include <QRegularExpression>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using namespace TdsTokens;

enum TransactionRequest : uint16_t
{
    TmBegin = 5,
    TmCommit = 7,
    TmRollback = 8
};

constexpr uint8_t kBeginAgain = 0x01;

StatementOutcome single(const QString& name, const SqlServerType& type, const Cell& value)
{
    StatementOutcome outcome;
    outcome.hasResult = true;
    outcome.names.append(name);
    outcome.types.append(type);
    outcome.rows.append(QList<Cell>{value});
    return outcome;
}

} // namespace

ClientSession::ClientSession(int fd, uint16_t spid, ServerControl& control)
    : m_socket(fd, spid), m_control(control), m_noCount(control.noCountByDefault())
{
}

uint16_t ClientSession::counted() const
{
    // Under NOCOUNT no DONE carries a row count, not even a query's.
    return m_noCount ? 0 : DoneCount;
}

void ClientSession::run()
{
    serve();
    // Closing rolls back what the client left open, and its locks go.
    m_triggers.reset();
    m_ledger.reset();
    releaseLocks();
}

void ClientSession::serve()
{
    m_control.countConnection();
    try {
        if (m_control.isMute()) {
            hang();
            return;
        }
        m_ledger = ClientLogin(m_socket, m_control).handshake();
        if (!m_ledger)
            return;
        m_ledgerFile = m_ledger->file();
        m_triggers = std::make_unique<ServerTriggers>(*m_ledger);
        m_names = std::make_unique<NameResolution>(m_ledger->rules(), m_control.defaultSchema,
                                                   m_control.isCaseSensitive());
        uint8_t type = 0;
        QByteArray payload;
        while (m_socket.read(type, payload)) {
            if (type == TdsSocket::Attention) {
                WireWriter out;
                done(out, DoneAttention);
                m_socket.write(out.data());
                continue;
            }
            const ServerControl::Fate fate = m_control.arrive();
            switch (fate) {
            case ServerControl::Fate::Drop:
                m_ledger.reset();
                m_socket.close();
                return;
            case ServerControl::Fate::Hang:
                hang();
                return;
            case ServerControl::Fate::Lose:
                // Carried out below; the answer goes nowhere.
                m_socket.setMuted(true);
                break;
            case ServerControl::Fate::Deadlock: {
                WireWriter out;
                deadlockVictim(out, 0);
                m_socket.write(out.data());
                continue;
            }
            case ServerControl::Fate::Answer:
                break;
            }
            if (const int delay = m_control.delayMs(); delay > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            if (type == TdsSocket::SqlBatch) {
                batch(payload);
            } else if (type == TdsSocket::TransactionManager) {
                transactionRequest(payload);
            } else {
                WireWriter out;
                error(out, 50000, 16,
                      QStringLiteral("The test server answers SQL batches and transaction "
                                     "requests only (request type %1).")
                          .arg(type));
                done(out, DoneError);
                m_socket.write(out.data());
            }
            if (fate == ServerControl::Fate::Lose) {
                m_ledger.reset();
                m_socket.close();
                return;
            }
        }
    } catch (const WireError& e) {
        // A malformed message ends the connection, as SQL Server does; the
        // test that sent it gets a word on standard error.
        std::fprintf(stderr, "quillhaven-tds-server: connection %d closed: %s\n",
                     int(m_socket.spid()), e.what());
    }
}

void ClientSession::releaseLocks()
{
    if (!m_ledgerFile.isEmpty())
        m_control.locks.release(m_ledgerFile, m_socket.spid());
}

void ClientSession::deadlockVictim(WireWriter& out, uint16_t more)
{
    if (!m_transaction.isEmpty()) {
        m_ledger->rollback();
        releaseLocks();
        envChangeBytes(out, RollbackTransaction, QByteArray(), m_transaction);
        m_transaction.clear();
    }
    error(out, 1205, 13,
          QStringLiteral("Transaction (Process ID %1) was deadlocked on lock resources with "
                         "another process and has been chosen as the deadlock victim. Rerun the "
                         "transaction.")
              .arg(m_socket.spid()));
    done(out, DoneError | more);
}

qsizetype ClientSession::skipHeaders(const QByteArray& payload)
{
    // TDS 7.2 and later put ALL_HEADERS first: a total length that counts
    // itself.
    if (payload.size() < 4)
        return 0;
    WireReader in(payload);
    const uint32_t total = in.u32();
    return total >= 4 && total <= uint32_t(payload.size()) ? qsizetype(total) : 0;
}

void ClientSession::batch(const QByteArray& payload)
{
    const qsizetype start = skipHeaders(payload);
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(payload.constData() + start),
                           (payload.size() - start) / 2);
    m_control.logBatch(text);
    WireWriter out;
    if (ServerTriggers::isDefinition(text)) {
        if (const StatementOutcome refused = m_triggers->define(text); refused.failed) {
            error(out, refused.number, refused.severity, refused.text);
            done(out, DoneError);
        } else {
            done(out, DoneFinal);
        }
        m_socket.write(out.data());
        return;
    }
    const QList<BatchStatement> statements = BatchStatement::split(text);
    if (statements.isEmpty())
        done(out, DoneFinal);
    for (qsizetype i = 0; i < statements.size(); ++i) {
        if (!statement(statements[i], out, i + 1 == statements.size()))
            break;
    }
    m_socket.write(out.data());
}

bool ClientSession::statement(const BatchStatement& statement, WireWriter& out, bool last)
{
    const uint16_t more = last ? 0 : DoneMore;
    switch (statement.kind) {
    case BatchStatement::Kind::Ledger:
        return ledgerStatement(statement.text, out, more);
    case BatchStatement::Kind::Procedure:
        if (!m_ledger->hasObject(statement.name)) {
            error(out, 2812, 16,
                  QStringLiteral("Could not find stored procedure '%1'.").arg(statement.name));
            done(out, DoneError);
            return false;
        }
        return ledgerStatement(QStringLiteral("SELECT * FROM \"%1\"").arg(statement.name), out,
                               more);
    case BatchStatement::Kind::Begin:
        beginTransaction(out);
        break;
    case BatchStatement::Kind::Commit:
    case BatchStatement::Kind::Rollback:
        if (m_transaction.isEmpty()) {
            const bool commit = statement.kind == BatchStatement::Kind::Commit;
            error(out, commit ? 3902 : 3903, 16,
                  QStringLiteral("The %1 TRANSACTION request has no corresponding BEGIN "
                                 "TRANSACTION.")
                      .arg(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")));
            done(out, DoneError | more);
            return true;
        }
        endTransaction(out, statement.kind == BatchStatement::Kind::Commit);
        break;
    case BatchStatement::Kind::CommitIfOpen:
    case BatchStatement::Kind::RollbackIfOpen:
        if (!m_transaction.isEmpty())
            endTransaction(out, statement.kind == BatchStatement::Kind::CommitIfOpen);
        if (statement.beginsAgain)
            beginTransaction(out);
        break;
    case BatchStatement::Kind::ImplicitOn:
    case BatchStatement::Kind::ImplicitOff:
        m_implicitTransactions = statement.kind == BatchStatement::Kind::ImplicitOn;
        break;
    case BatchStatement::Kind::NoCountOn:
    case BatchStatement::Kind::NoCountOff:
        m_noCount = statement.kind == BatchStatement::Kind::NoCountOn;
        break;
    case BatchStatement::Kind::IdentityInsert:
        if (const StatementOutcome refused =
                m_ledger->rules().setIdentityInsert(statement.name, statement.on, m_identityInsert);
            refused.failed) {
            error(out, refused.number, refused.severity, refused.text);
            done(out, DoneError | more);
            return true;
        }
        break;
    case BatchStatement::Kind::LockTimeout:
        m_lockTimeoutMs = statement.name.toInt();
        break;
    case BatchStatement::Kind::Set:
        break;
    case BatchStatement::Kind::Variable:
        variable(statement.name, out, more);
        return true;
    }
    done(out, more);
    return true;
}

bool ClientSession::lockFor(const QString& sql, Lock kind, WireWriter& out, uint16_t more)
{
    // Under row versioning a read takes no lock unless a hint asks for one:
    // it reads what was last committed.
    if (kind == Lock::Read && m_control.rowVersioning())
        return true;
    const QStringList tables = m_ledger->rules().named(sql);
    const uint16_t spid = m_socket.spid();
    LockManager& locks = m_control.locks;
    bool granted = false;
    switch (kind) {
    case Lock::Exclusive:
        granted = locks.write(m_ledgerFile, spid, tables, m_lockTimeoutMs);
        break;
    case Lock::Held:
        granted = locks.share(m_ledgerFile, spid, tables, m_lockTimeoutMs);
        break;
    case Lock::Read:
        granted = locks.read(m_ledgerFile, spid, tables, m_lockTimeoutMs);
        break;
    }
    if (granted)
        return true;
    error(out, 1222, 16, QStringLiteral("Lock request time out period exceeded."));
    done(out, DoneError | more);
    return false;
}

bool ClientSession::ledgerStatement(const QString& received, WireWriter& out, uint16_t more)
{
    if (m_implicitTransactions && m_transaction.isEmpty())
        beginTransaction(out);
    m_control.countStatement();
    bool exclusive = false;
    bool holds = false;
    QString sql = TableRules::withoutTableHints(received, exclusive, holds);
    if (const StatementOutcome refused = m_names->resolve(sql); refused.failed) {
        error(out, refused.number, refused.severity, refused.text);
        done(out, DoneError | more);
        return true;
    }
    if (const StatementOutcome refused = m_ledger->rules().check(sql, m_identityInsert);
        refused.failed) {
        error(out, refused.number, refused.severity, refused.text);
        done(out, DoneError | more);
        return true;
    }
    const bool writes = exclusive || TableRules::writes(sql);
    if (!lockFor(sql,
                 writes                              ? Lock::Exclusive
                 : holds && !m_transaction.isEmpty() ? Lock::Held
                                                     : Lock::Read,
                 out, more))
        return true;
    // The ledger's own transaction starts with the first write, so reads
    // before it see what others committed, as under READ COMMITTED.
    if (writes && !m_transaction.isEmpty())
        m_ledger->begin();
    QString target;
    QString event;
    const QList<ServerTriggers::Trigger> fired =
        writes ? m_triggers->firedBy(sql, target, event) : QList<ServerTriggers::Trigger>();
    // A statement and its triggers are one transaction even outside one.
    const bool ownTransaction = !fired.isEmpty() && !m_ledger->inTransaction();
    if (ownTransaction)
        m_ledger->begin();
    const bool wasInTransaction = m_ledger->inTransaction();
    // SQLite has no @@ variables; the server's name is a function there.
    static const QRegularExpression serverName(QStringLiteral("@@SERVERNAME\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    StatementOutcome outcome = m_ledger->run(BatchStatement::withCodePageLiterals(
        QString(sql).replace(serverName, QStringLiteral("qh_servername()"))));
    bool raised = false;
    if (!fired.isEmpty() && !outcome.failed) {
        m_triggers->settle(target, event);
        if (!fireTriggers(fired, out, raised))
            return false;
    }
    if (ownTransaction)
        outcome.failed ? m_ledger->rollback() : void(m_ledger->commit());
    if (!outcome.failed && outcome.hasResult) {
        WireWriter rows;
        try {
            result(rows, outcome);
            out.bytes(rows.data());
            done(out, counted() | more, Select, uint64_t(outcome.rows.size()));
            return true;
        } catch (const ConversionError& e) {
            outcome = StatementOutcome::error(e.number(), e.text());
        }
    }
    if (writes && m_transaction.isEmpty())
        releaseLocks();
    if (outcome.failed) {
        if (outcome.rolledBack)
            m_ledger->rollback();
        if (!m_transaction.isEmpty() && wasInTransaction && !m_ledger->inTransaction()) {
            releaseLocks();
            envChangeBytes(out, RollbackTransaction, QByteArray(), m_transaction);
            m_transaction.clear();
        }
        error(out, outcome.number, outcome.severity, outcome.text);
        if (outcome.terminated)
            info(out, 3621, QStringLiteral("The statement has been terminated."));
        done(out, DoneError | (outcome.abortsBatch ? 0 : more));
        return !outcome.abortsBatch;
    }
    const uint16_t command = commandOf(sql);
    if (command == Insert && outcome.changed > 0) {
        const StatementOutcome id = m_ledger->run(QStringLiteral("SELECT last_insert_rowid()"));
        if (!id.failed && !id.rows.isEmpty()) {
            m_lastIdentity = id.rows[0].value(0).integer;
            m_hasIdentity = true;
        }
    }
    done(out, counted() | more | (raised ? DoneError : 0), command, uint64_t(outcome.changed));
    return true;
}

bool ClientSession::fireTriggers(const QList<ServerTriggers::Trigger>& fired, WireWriter& out,
                                 bool& raised)
{
    TriggerFiring firing(*m_ledger, out, m_noCount, m_control.triggerCountsApart());
    const TriggerFiring::End end = firing.fire(fired);
    raised = firing.raised();
    if (end == TriggerFiring::End::Finished)
        return true;
    // The transaction is gone, and what the client sends next runs on its
    // own, each statement committed.
    if (!m_transaction.isEmpty()) {
        envChangeBytes(out, RollbackTransaction, QByteArray(), m_transaction);
        m_transaction.clear();
    }
    releaseLocks();
    if (end == TriggerFiring::End::RolledBack)
        error(out, 3609, 16,
              QStringLiteral("The transaction ended in the trigger. The batch has been aborted."));
    done(out, DoneError);
    return false;
}

void ClientSession::variable(const QString& name, WireWriter& out, uint16_t more)
{
    using Kind = SqlServerType::Kind;
    Cell value;
    SqlServerType type(Kind::Int);
    if (name == QLatin1String("@@SPID")) {
        value = {Cell::Kind::Integer, m_socket.spid(), 0, {}, {}};
    } else if (name == QLatin1String("@@TRANCOUNT")) {
        value = {Cell::Kind::Integer, m_transaction.isEmpty() ? 0 : 1, 0, {}, {}};
    } else if (name == QLatin1String("@@VERSION")) {
        type = SqlServerType(Kind::NVarchar);
        value = {Cell::Kind::Text, 0, 0, ServerCatalog::versionText(m_control.version), {}};
    } else if (name == QLatin1String("@@IDENTITY") || name == QLatin1String("SCOPE_IDENTITY()")) {
        type = SqlServerType(Kind::Decimal, 38, 0);
        if (m_hasIdentity)
            value = {Cell::Kind::Integer, m_lastIdentity, 0, {}, {}};
    } else {
        error(out, 137, 15, QStringLiteral("Must declare the scalar variable \"%1\".").arg(name));
        done(out, DoneError | more);
        return;
    }
    m_control.countStatement();
    result(out, single(QString(), type, value));
    done(out, counted() | more, Select, 1);
}

void ClientSession::transactionRequest(const QByteArray& payload)
{
    WireReader in(payload, skipHeaders(payload));
    const uint16_t request = in.u16();
    WireWriter out;
    if (request == TmBegin) {
        beginTransaction(out);
    } else if (request == TmCommit || request == TmRollback) {
        in.bVarchar();
        const uint8_t flags = in.u8();
        if (!m_transaction.isEmpty())
            endTransaction(out, request == TmCommit);
        if (flags & kBeginAgain)
            beginTransaction(out);
    } else {
        error(out, 50000, 16,
              QStringLiteral("Transaction request %1 is not served by the test server.")
                  .arg(request));
        done(out, DoneError);
        m_socket.write(out.data());
        return;
    }
    done(out, DoneFinal);
    m_socket.write(out.data());
}

void ClientSession::beginTransaction(WireWriter& out)
{
    if (!m_transaction.isEmpty())
        return;
    WireWriter descriptor;
    descriptor.u64(m_nextTransaction++);
    m_transaction = descriptor.data();
    envChangeBytes(out, BeginTransaction, m_transaction, QByteArray());
}

void ClientSession::endTransaction(WireWriter& out, bool commit)
{
    if (commit && !m_ledger->commit()) {
        error(out, 3998, 16,
              QStringLiteral("Uncommittable transaction is detected at the end of the batch. "
                             "The transaction is rolled back."));
        m_ledger->rollback();
        commit = false;
    }
    if (!commit)
        m_ledger->rollback();
    releaseLocks();
    envChangeBytes(out, commit ? CommitTransaction : RollbackTransaction, QByteArray(),
                   m_transaction);
    m_transaction.clear();
}

void ClientSession::hang()
{
    uint8_t type = 0;
    QByteArray payload;
    while (m_socket.read(type, payload)) {
    }
    m_ledger.reset();
}
