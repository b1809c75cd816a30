#pragma once

#include "tests/tds/LockManager.h"

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

// What every connection of the server shares: the ledger folder, the logins
// it accepts, the test knobs and the counts. Knobs change at any time from the
// control channel (standard input); a request reads them as it arrives.
class ServerControl
{
public:
    struct Login
    {
        QString user;
        QString password;
        QString database;
    };

    // What the server's certificate is used for. An ordinary install encrypts
    // at least the login with its self-signed certificate; one set to force
    // encryption encrypts the whole session.
    enum class Encryption
    {
        None, // no certificate: the pre-login says "not supported"
        Login,
        Whole
    };

    // What the server does with a request after login.
    enum class Fate
    {
        Answer,
        Drop, // close the connection without an answer
        Lose, // carry the request out, then close the connection unanswered
        Hang, // never answer; the connection stays until the client leaves
        // the request is chosen as a deadlock victim: 1205, its transaction
        // rolled back
        Deadlock
    };

    QString folder;
    QList<Login> logins;
    LockManager locks;
    // What the server is, set at its start: its version (2000, 2005, 2008,
    // 2019 or 2022), the schema its logins have as their default (where the
    // ledger's tables are), and the collation of its databases.
    int version = 2022;
    QString defaultSchema = QStringLiteral("dbo");
    QString collation = QStringLiteral("SQL_Latin1_General_CP1_CI_AS");
    // Whether a collation matches names only in their exact letter case.
    bool isCaseSensitive() const;

    // The ledger file of a catalog, or an empty text for a catalog that has
    // none in the folder.
    QString ledgerFile(const QString& catalog) const;
    const Login* findLogin(const QString& user, const QString& password) const;

    // Counts a request (a batch, a transaction request, a call) and says
    // what to do with it.
    Fate arrive();
    void countStatement() { ++m_statements; }
    void countConnection() { ++m_connections; }
    void countLogin() { ++m_logins; }
    // A login that came inside TLS, and whether the session stays inside it.
    void countEncrypted(bool wholeSession) { ++(wholeSession ? m_wholeSessions : m_loginsOnly); }

    // Every request from now on waits this long before its answer.
    void setDelayMs(int ms) { m_delayMs = ms; }
    int delayMs() const { return m_delayMs; }
    // The k-th request from now (k >= 1) is dropped or left unanswered; 0
    // clears the knob.
    void dropAt(int k);
    void loseAt(int k);
    void hangAt(int k);
    void deadlockAt(int k);
    // Answers nothing at all, not even the pre-login: a server that accepts
    // and never speaks.
    void setMute(bool mute) { m_mute = mute; }
    bool isMute() const { return m_mute; }
    // NOCOUNT in the server's user options: every connection starts with
    // it on.
    void setNoCountByDefault(bool on) { m_noCount = on; }
    bool noCountByDefault() const { return m_noCount; }

    // Microsoft's ODBC drivers present each count of a trigger's statement
    // as a result of its own, where FreeTDS folds the DONEINPROC tokens into
    // the statement's: apart, the server sends them as DONE tokens, which
    // FreeTDS presents as Microsoft's drivers do.
    // READ_COMMITTED_SNAPSHOT: a read takes no lock and reads what was last
    // committed, never waiting for a writer.
    void setRowVersioning(bool on) { m_rowVersioning = on; }
    bool rowVersioning() const { return m_rowVersioning; }

    void setTriggerCountsApart(bool apart) { m_triggerCountsApart = apart; }
    bool triggerCountsApart() const { return m_triggerCountsApart; }

    // For connections from now on.
    void setEncryption(Encryption encryption) { m_encryption = encryption; }
    Encryption encryption() const { return m_encryption; }

    // "requests R statements S connections C logins L encrypted-logins E
    // encrypted-sessions W"
    QString stats() const;
    void resetCounts();

    // Appends a received batch text to the statement log file, when one is
    // set.
    void logBatch(const QString& text);
    void setLogFile(const QString& path) { m_logFile = path; }

private:
    std::atomic<int64_t> m_requests{0};
    std::atomic<int64_t> m_statements{0};
    std::atomic<int64_t> m_connections{0};
    std::atomic<int64_t> m_logins{0};
    std::atomic<int64_t> m_loginsOnly{0};
    std::atomic<int64_t> m_wholeSessions{0};
    std::atomic<int> m_delayMs{0};
    std::atomic<int64_t> m_dropAt{0};
    std::atomic<int64_t> m_loseAt{0};
    std::atomic<int64_t> m_hangAt{0};
    std::atomic<int64_t> m_deadlockAt{0};
    std::atomic<bool> m_mute{false};
    std::atomic<bool> m_noCount{false};
    std::atomic<bool> m_triggerCountsApart{false};
    std::atomic<bool> m_rowVersioning{false};
    std::atomic<Encryption> m_encryption{Encryption::Login};
    std::mutex m_logMutex;
    QString m_logFile;
};
