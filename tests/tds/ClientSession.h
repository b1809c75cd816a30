#pragma once

#include "tests/tds/BatchStatement.h"
#include "tests/tds/LedgerDatabase.h"
#include "tests/tds/NameResolution.h"
#include "tests/tds/ServerTriggers.h"
#include "tests/tds/TdsSocket.h"
#include "tests/tds/WireBuffer.h"

#include <QByteArray>
#include <QString>
#include <memory>

class ServerControl;

// One client from its login to its last request, on a thread of its own:
// the login picks the ledger, every request then runs on it. When the
// client goes (or the server drops it) an open transaction is rolled back.
class ClientSession
{
public:
    ClientSession(int fd, uint16_t spid, ServerControl& control);
    void run();

private:
    void serve();
    void batch(const QByteArray& payload);
    // DoneCount, unless NOCOUNT is on.
    uint16_t counted() const;
    void transactionRequest(const QByteArray& payload);
    // Runs one statement of a batch; false when the batch must stop there.
    bool statement(const BatchStatement& statement, WireWriter& out, bool last);
    bool ledgerStatement(const QString& received, WireWriter& out, uint16_t more);
    // Runs what a write's triggers do; false when they ended the transaction
    // and the batch (their errors and the firing statement's DONE sent).
    bool fireTriggers(const QList<ServerTriggers::Trigger>& fired, WireWriter& out, bool& raised);
    // Takes the locks a statement needs: exclusive for a write, shared and
    // held to the transaction's end for a read with HOLDLOCK, else waiting
    // for writers only; false (with 1222 written) when the session's lock
    // time-out passed first.
    enum class Lock
    {
        Read,
        Held,
        Exclusive
    };
    bool lockFor(const QString& sql, Lock kind, WireWriter& out, uint16_t more);
    void releaseLocks();
    // 1205, with the transaction rolled back.
    void deadlockVictim(WireWriter& out, uint16_t more);
    void variable(const QString& name, WireWriter& out, uint16_t more);

    void beginTransaction(WireWriter& out);
    void endTransaction(WireWriter& out, bool commit);
    // Waits for the client to leave, answering nothing.
    void hang();
    static qsizetype skipHeaders(const QByteArray& payload);

    TdsSocket m_socket;
    ServerControl& m_control;
    std::unique_ptr<LedgerDatabase> m_ledger;
    std::unique_ptr<ServerTriggers> m_triggers;
    std::unique_ptr<NameResolution> m_names;
    QByteArray m_transaction; // descriptor of the open transaction
    quint64 m_nextTransaction = 1;
    bool m_implicitTransactions = false;
    // SET NOCOUNT, from the server's user options until the client sets it.
    bool m_noCount = false;
    // The table whose IDENTITY_INSERT is on, and SET LOCK_TIMEOUT (SQL
    // Server's default: wait for ever).
    QString m_identityInsert;
    int m_lockTimeoutMs = -1;
    QString m_ledgerFile;
    qint64 m_lastIdentity = 0;
    bool m_hasIdentity = false;
};
