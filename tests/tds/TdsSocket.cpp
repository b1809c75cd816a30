#include "tests/tds/TdsSocket.h"

#include "tests/tds/TlsEndpoint.h"
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

TdsSocket::TdsSocket(int fd, uint16_t spid) : m_fd(fd), m_spid(spid) {}

TdsSocket::~TdsSocket()
{
    close();
}

bool TdsSocket::startTls(ssl_ctx_st* context)
{
    m_tls = std::make_unique<TlsEndpoint>(context);
    for (;;) {
        const TlsEndpoint::Step step = m_tls->handshake();
        const QByteArray reply = m_tls->takeOutgoing();
        if (!reply.isEmpty() && !write(reply, PreLogin))
            return false;
        if (step != TlsEndpoint::Step::NeedMore) {
            m_encrypted = step == TlsEndpoint::Step::Done;
            return m_encrypted;
        }
        uint8_t type = 0;
        QByteArray payload;
        if (!read(type, payload) || type != PreLogin)
            return false;
        m_tls->feed(payload.constData(), int(payload.size()));
    }
}

void TdsSocket::close()
{
    if (m_fd < 0)
        return;
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_fd = -1;
}

bool TdsSocket::receiveRaw(char* buffer, int count, int& got)
{
    for (;;) {
        if (m_fd < 0)
            return false;
        const ssize_t n = ::recv(m_fd, buffer, size_t(count), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got = int(n);
        return true;
    }
}

bool TdsSocket::readExactly(char* buffer, int count)
{
    int done = 0;
    while (done < count) {
        int got = 0;
        if (!m_encrypted) {
            if (!receiveRaw(buffer + done, count - done, got))
                return false;
            done += got;
            continue;
        }
        got = m_tls->read(buffer + done, count - done);
        if (got < 0)
            return false;
        if (got > 0) {
            done += got;
            continue;
        }
        char records[16 * 1024];
        if (!receiveRaw(records, int(sizeof records), got))
            return false;
        m_tls->feed(records, got);
    }
    return true;
}

bool TdsSocket::sendRaw(const char* data, qsizetype count)
{
    qsizetype written = 0;
    while (written < count) {
        if (m_fd < 0)
            return false;
        const ssize_t n = ::send(m_fd, data + written, size_t(count - written), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
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
        if (m_encrypted) {
            if (!m_tls->write(packet.constData(), int(packet.size())))
                return false;
            packet = m_tls->takeOutgoing();
        }
        if (!sendRaw(packet.constData(), packet.size()))
            return false;
        sent += chunk;
    } while (sent < payload.size());
    return true;
}
