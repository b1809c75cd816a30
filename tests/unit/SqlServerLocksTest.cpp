// Two operators on one SQL Server ledger, which locks as SQL Server does
// under READ COMMITTED: a reader waits for a writer's transaction, a writer
// for another writer's. A wait ends after the lock time-out, and a deadlock
// victim's transaction is rolled back by the server; either way the
// operator reads that another operator is writing, and nothing is kept.

#include "core/GridModel.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/TdsServer.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <QThread>
#include <atomic>
#include <future>
#include <memory>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QStringList kLedger{QStringLiteral("--database"),    QStringLiteral("Dosavine"),
                          QStringLiteral("--accounts"),    QStringLiteral("8"),
                          QStringLiteral("--years"),       QStringLiteral("2"),
                          QStringLiteral("--postings"),    QStringLiteral("60"),
                          QStringLiteral("--seed"),        QStringLiteral("3"),
                          QStringLiteral("--first-year"),  QStringLiteral("2006"),
                          QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")};

const QString kMarked = QStringLiteral("777.5");

// A second connection on a thread of its own: under Wine, a process that
// opened one through Wine's ODBC never finishes its exit (the test passes,
// then hangs). Linux runs these tests on the same code.
#ifdef Q_OS_WIN
constexpr bool kSecondThreadHangsTheExit = true;
#else
constexpr bool kSecondThreadHangsTheExit = false;
#endif
#define NEEDS_A_SECOND_THREAD()                                                                    \
    if (kSecondThreadHangsTheExit)                                                                 \
    GTEST_SKIP() << "a second ODBC connection on a thread hangs the process's exit under Wine"

// Another operator's write, on a thread of its own (a connection stays on
// the thread that opened it; a QThread, since a thread Qt did not start
// cannot end cleanly under MinGW's threads): every opening of account 1001
// becomes 777.5 inside a transaction that stays open until release()
// (committed or not).
class OtherOperator
{
public:
    explicit OtherOperator(const QString& server)
        : m_thread(QThread::create([this, server] { run(server); }))
    {
        m_thread->start();
        m_writing.get_future().wait();
    }
    ~OtherOperator() { release(false); }
    void release(bool commit)
    {
        if (m_released.exchange(true))
            return;
        m_finish.set_value(commit);
        m_thread->wait();
    }

private:
    void run(const QString& server)
    {
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, server);
        session.beginTransaction(Session::Intent::Write);
        session.execute(QStringLiteral("Update Acc_Opening set Opening=") + kMarked +
                        QStringLiteral(" where AccId='1001'"));
        m_writing.set_value();
        if (m_finish.get_future().get())
            session.commit();
        else
            session.rollback();
    }

    std::promise<void> m_writing;
    std::promise<bool> m_finish;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_released{false};
};

class SqlServerLocks : public ::testing::Test
{
protected:
    void SetUp() override { ledger.build(kLedger); }

    // Whether the worksheet shows the other operator's opening.
    static bool showsMarkedOpening(WindowDriver& window)
    {
        const GridModel& accounts = window.context.accounts();
        for (int row = 1; row <= accounts.rows(); ++row) {
            if (accounts.readText(1, row).trimmed() == QLatin1String("1001") &&
                accounts.numberAt(5, row) == kMarked.toDouble())
                return true;
        }
        return false;
    }
    static bool saysAnotherOperatorWrites(const WindowDriver& window)
    {
        return window.sink.messages.size() == 1 &&
               window.sink.messages[0].text.contains(
                   QLatin1String("Another operator is writing the ledger"));
    }

    LedgerFixture ledger;
    TdsServer server{ledger.folder()};
};

// A connect behind another operator's write waits for it, and then loads
// what it committed, not what stood before.
TEST_F(SqlServerLocks, AReaderWaitsForTheWriterAndReadsWhatItCommitted)
{
    NEEDS_A_SECOND_THREAD();
    OtherOperator other(server.serverName());
    std::unique_ptr<QThread> commitSoon(QThread::create([&other] {
        QThread::msleep(500);
        other.release(true);
    }));
    commitSoon->start();
    const auto joined = qScopeGuard([&commitSoon] { commitSoon->wait(); });
    WindowDriver window(server.serverName());
    ASSERT_TRUE(window.connect()) << str(window.messages());
    EXPECT_TRUE(showsMarkedOpening(window));
}

// Past the lock time-out a connect, a migration and a year creation each
// say that another operator is writing; none of them keeps anything, and
// once the other operator is done they go through.
TEST_F(SqlServerLocks, PastTheLockTimeOutTheOperatorIsToldAndNothingIsKept)
{
    NEEDS_A_SECOND_THREAD();
    SessionOptions shortWait;
    shortWait.lockTimeoutSeconds = 1;
    WindowDriver ready(server.serverName(), shortWait);
    ASSERT_TRUE(ready.connect()) << str(ready.messages());
    const QByteArray before = ledger.bytes();
    {
        OtherOperator other(server.serverName());
        WindowDriver late(server.serverName(), shortWait);
        EXPECT_FALSE(late.connect());
        EXPECT_TRUE(saysAnotherOperatorWrites(late)) << str(late.messages());
        EXPECT_FALSE(ready.migrate());
        EXPECT_TRUE(saysAnotherOperatorWrites(ready)) << str(ready.messages());
        EXPECT_TRUE(ready.controls.migrateEnabled);
        EXPECT_FALSE(ready.createYear());
        EXPECT_TRUE(saysAnotherOperatorWrites(ready)) << str(ready.messages());
        other.release(false);
    }
    EXPECT_EQ(ledger.bytes(), before);
    EXPECT_TRUE(ready.migrate()) << str(ready.messages());
}

// The server picks a migration as a deadlock's victim and rolls it back:
// the operator is told so, the ledger is as it was, and Migrate Accounts
// can be clicked again.
TEST_F(SqlServerLocks, ADeadlockVictimKeepsNothing)
{
    WindowDriver window(server.serverName());
    ASSERT_TRUE(window.connect()) << str(window.messages());
    const QByteArray before = ledger.bytes();
    server.command(QStringLiteral("deadlock 3"));
    EXPECT_FALSE(window.migrate());
    EXPECT_TRUE(saysAnotherOperatorWrites(window)) << str(window.messages());
    EXPECT_EQ(ledger.bytes(), before);
    EXPECT_TRUE(window.controls.migrateEnabled);
    EXPECT_TRUE(window.migrate()) << str(window.messages());
}

} // namespace
