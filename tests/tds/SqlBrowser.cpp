#include "tests/tds/SqlBrowser.h"

#include "tests/tds/TdsSocket.h"

#include <QHostInfo>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

enum Request : uint8_t
{
    BroadcastAll = 0x02,
    UnicastAll = 0x03,
    UnicastInstance = 0x04
};
constexpr uint8_t kResponse = 0x05;

} // namespace

bool SqlBrowser::listen(const QHostAddress& address, uint16_t port)
{
    uint16_t bound = 0;
    m_fd = TdsSocket::bindTo(SOCK_DGRAM, address.toIPv4Address(), port, bound);
    return m_fd >= 0;
}

QByteArray SqlBrowser::answer(const QString& host, const QString& instance, uint16_t tcpPort)
{
    const QByteArray text = QStringLiteral("ServerName;%1;InstanceName;%2;IsClustered;No;Version;"
                                           "16.0.1000.6;tcp;%3;;")
                                .arg(host, instance)
                                .arg(tcpPort)
                                .toLatin1();
    QByteArray datagram;
    datagram.append(char(kResponse));
    datagram.append(char(text.size() & 0xff));
    datagram.append(char(text.size() >> 8));
    return datagram + text;
}

void SqlBrowser::serve(const QString& instance, uint16_t tcpPort)
{
    const QByteArray reply = answer(QHostInfo::localHostName().toUpper(), instance, tcpPort);
    char buffer[1024];
    for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got =
            ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        const uint8_t request = uint8_t(buffer[0]);
        bool ours = request == BroadcastAll || request == UnicastAll;
        if (request == UnicastInstance) {
            // The name follows, possibly ended by a NUL.
            const QString asked =
                QString::fromLatin1(buffer + 1, int(got - 1)).section(QChar(0), 0, 0);
            ours = asked.compare(instance, Qt::CaseInsensitive) == 0;
        }
        // SQL Server Browser stays silent about instances it does not have.
        if (ours)
            ::sendto(m_fd, reply.constData(), size_t(reply.size()), 0,
                     reinterpret_cast<sockaddr*>(&from), length);
    }
}
