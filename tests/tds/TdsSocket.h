#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>

class TlsEndpoint;
struct ssl_ctx_st;

// One client's TCP connection, framed as TDS packets: an 8-byte header
// (type, status, big-endian length, SPID, packet id, window) and up to the
// negotiated packet size in all. A message is the payload of the packets up
// to the one marked end-of-message.
class TdsSocket
{
public:
    enum Type : uint8_t
    {
        SqlBatch = 0x01,
        Rpc = 0x03,
        Reply = 0x04,
        Attention = 0x06,
        TransactionManager = 0x0E,
        Login7 = 0x10,
        PreLogin = 0x12
    };

    TdsSocket(int fd, uint16_t spid);
    ~TdsSocket();
    TdsSocket(const TdsSocket&) = delete;
    TdsSocket& operator=(const TdsSocket&) = delete;

    // Reads one whole message; false when the client has gone.
    bool read(uint8_t& type, QByteArray& payload);
    // Sends a reply message split into packets; false when the client has
    // gone.
    bool write(const QByteArray& payload, uint8_t type = Reply);
    // Closes the connection now, as a server that drops it does.
    void close();

    // The TLS handshake, its records carried in PRELOGIN messages; from then
    // on every packet travels inside TLS until setEncrypted(false). False
    // when the handshake failed or the client went.
    bool startTls(ssl_ctx_st* context);
    // Whether packets travel inside TLS: a login-only session ends it once
    // the LOGIN7 has been read.
    void setEncrypted(bool encrypted) { m_encrypted = encrypted && m_tls; }
    bool isEncrypted() const { return m_encrypted; }

    // A socket of the type (SOCK_STREAM or SOCK_DGRAM) bound to an IPv4
    // address and port (0 for any); bound gets the port. -1 with errno set
    // when it cannot be had.
    static int bindTo(int type, uint32_t ipv4, uint16_t port, uint16_t& bound);

    void setPacketSize(int size) { m_packetSize = size; }
    // A muted socket takes writes and sends nothing.
    void setMuted(bool muted) { m_muted = muted; }
    uint16_t spid() const { return m_spid; }

private:
    bool readExactly(char* buffer, int count);
    bool receiveRaw(char* buffer, int count, int& got);
    bool sendRaw(const char* data, qsizetype count);

    int m_fd;
    uint16_t m_spid;
    int m_packetSize = 4096;
    bool m_muted = false;
    std::unique_ptr<TlsEndpoint> m_tls;
    bool m_encrypted = false;
};
