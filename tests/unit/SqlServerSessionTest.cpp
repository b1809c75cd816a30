#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <winsock2.h>
// Windows' own E_FAIL would hide the failure number of that name.
#undef E_FAIL
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

// SQL Server names that lead nowhere: the connect must fail with the wrong
// server name's failure, and never hang.

namespace {

#ifdef Q_OS_WIN
using socklen_t = int;
struct Winsock
{
    Winsock()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};
void closeSocket(SOCKET fd)
{
    ::closesocket(fd);
}
void setNonBlocking(SOCKET fd)
{
    u_long on = 1;
    ::ioctlsocket(fd, FIONBIO, &on);
}
#else
using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
struct Winsock
{
};
void closeSocket(SOCKET fd)
{
    ::close(fd);
}
void setNonBlocking(SOCKET fd)
{
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
}
#endif

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
            closeSocket(m_fd);
            m_fd = INVALID_SOCKET;
        }
    }
    ~LocalPort()
    {
        if (m_fd != INVALID_SOCKET)
            closeSocket(m_fd);
    }
    LocalPort(const LocalPort&) = delete;
    LocalPort& operator=(const LocalPort&) = delete;

    int port() const { return m_port; }
    QString serverName() const { return QStringLiteral("127.0.0.1,%1").arg(m_port); }

    // Whether someone connected (the connection waits in the queue).
    bool wasReached() const
    {
        setNonBlocking(m_fd);
        const SOCKET peer = ::accept(m_fd, nullptr, nullptr);
        if (peer == INVALID_SOCKET)
            return false;
        closeSocket(peer);
        return true;
    }

private:
    Winsock m_winsock;
    SOCKET m_fd = INVALID_SOCKET;
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
    SessionOptions shortWait;
    shortWait.loginTimeoutSeconds = 2;
    Session session(shortWait);
    const Failure failure = openDosavine(session, silent.serverName());
    EXPECT_EQ(failure.number(), Failure::E_FAIL) << failure.description().toStdString();
    EXPECT_FALSE(session.isOpen());
    // "host,port" reached the port given.
    EXPECT_TRUE(silent.wasReached());
}
