#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// SQL Server names that lead nowhere: the connect must fail with the wrong
// server name's failure, and never hang.

namespace {

Failure openDosavine(Session& session, const QString& server)
{
    try {
        session.open(Profile::connectionString(Profile::Id::Dosavine, server));
    } catch (const Failure& failure) {
        return failure;
    }
    return Failure(0, QStringLiteral("no failure"));
}

// A TCP port on 127.0.0.1. Listening without ever accepting: the kernel
// completes every handshake and the peer then waits for an answer that never
// comes, as a hung server does. Not listening: the port is closed.
class LocalPort
{
public:
    explicit LocalPort(bool listen)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (listen) {
            ::listen(m_fd, 8);
        } else {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~LocalPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LocalPort(const LocalPort&) = delete;
    LocalPort& operator=(const LocalPort&) = delete;

    int port() const { return m_port; }
    QString serverName() const { return QStringLiteral("127.0.0.1,%1").arg(m_port); }

    // Whether someone connected (the connection waits in the queue).
    bool wasReached() const
    {
        ::fcntl(m_fd, F_SETFL, O_NONBLOCK);
        const int peer = ::accept(m_fd, nullptr, nullptr);
        if (peer < 0)
            return false;
        ::close(peer);
        return true;
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

} // namespace

TEST(SqlServerSession, ClosedPortIsAWrongServerName)
{
    LocalPort closed(false);
    Session session;
    const Failure failure = openDosavine(session, closed.serverName());
    EXPECT_EQ(failure.number(), Failure::E_FAIL) << failure.description().toStdString();
    EXPECT_FALSE(failure.description().isEmpty());
    EXPECT_FALSE(session.isOpen());
}

TEST(SqlServerSession, UnknownHostIsAWrongServerName)
{
    Session session;
    const Failure failure = openDosavine(session, QStringLiteral("no-such-host.invalid"));
    EXPECT_EQ(failure.number(), Failure::E_FAIL) << failure.description().toStdString();
}

// A server that takes the connection and never answers must not hang the
// window: the login gives up after the login timeout (shortened here).
TEST(SqlServerSession, SilentServerTimesOut)
{
    LocalPort silent(true);
    const int saved = Session::loginTimeoutSeconds();
    Session::setLoginTimeoutSeconds(2);
    Session session;
    const Failure failure = openDosavine(session, silent.serverName());
    Session::setLoginTimeoutSeconds(saved);
    EXPECT_EQ(failure.number(), Failure::E_FAIL) << failure.description().toStdString();
    EXPECT_FALSE(session.isOpen());
    // "host,port" reached the port given.
    EXPECT_TRUE(silent.wasReached());
}
