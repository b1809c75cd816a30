#include "tests/tds/TdsSocket.h"

#include "tests/tds/WireBuffer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kHeader = 8;
constexpr uint8_t kEndOfMessage = 0x01;
// A client message larger than this is no client of ours.
constexpr qsizetype kMaxMessage = 64 * 1024 * 1024;

} // namespace

int TdsSocket::bindTo(int type, uint32_t ipv4, uint16_t port, uint16_t& bound)
{
    const int fd = ::socket(AF_INET, type, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    where.sin_addr.s_addr = htonl(ipv4);
    socklen_t length = sizeof where;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    bound = ntohs(where.sin_port);
    return fd;
}

TdsSocket::~TdsSocket()
{
    close();
}

void TdsSocket::close()
{
    if (m_fd < 0)
        return;
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_fd = -1;
}

bool TdsSocket::readExactly(char* buffer, int count)
{
    int done = 0;
    while (done < count) {
        if (m_fd < 0)
            return false;
        const ssize_t got = ::recv(m_fd, buffer + done, size_t(count - done), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += int(got);
    }
    return true;
}

bool TdsSocket::read(uint8_t& type, QByteArray& payload)
{
    payload.clear();
    for (;;) {
        char header[kHeader];
        if (!readExactly(header, kHeader))
            return false;
        type = uint8_t(header[0]);
        const uint8_t status = uint8_t(header[1]);
        const int length = (uint8_t(header[2]) << 8) | uint8_t(header[3]);
        const qsizetype start = payload.size();
        if (length < kHeader || start + length > kMaxMessage)
            throw WireError("packet length out of bounds");
        payload.resize(start + length - kHeader);
        if (!readExactly(payload.data() + start, length - kHeader))
            return false;
        if (status & kEndOfMessage)
            return true;
    }
}

bool TdsSocket::write(const QByteArray& payload, uint8_t type)
{
    if (m_muted)
        return true;
    const int room = m_packetSize - kHeader;
    qsizetype sent = 0;
    uint8_t packetId = 1;
    do {
        const int chunk = int(std::min<qsizetype>(room, payload.size() - sent));
        const bool last = sent + chunk >= payload.size();
        QByteArray packet;
        packet.reserve(kHeader + chunk);
        const int length = kHeader + chunk;
        packet.append(char(type));
        packet.append(char(last ? kEndOfMessage : 0));
        packet.append(char(length >> 8));
        packet.append(char(length & 0xff));
        packet.append(char(m_spid >> 8));
        packet.append(char(m_spid & 0xff));
        packet.append(char(packetId++));
        packet.append(char(0));
        packet.append(payload.constData() + sent, chunk);
        qsizetype written = 0;
        while (written < packet.size()) {
            if (m_fd < 0)
                return false;
            const ssize_t n = ::send(m_fd, packet.constData() + written,
                                     size_t(packet.size() - written), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            written += n;
        }
        sent += chunk;
    } while (sent < payload.size());
    return true;
}
