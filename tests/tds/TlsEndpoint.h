#pragma once

#include <QByteArray>
#include <QString>

struct ssl_ctx_st;
struct ssl_st;
struct bio_st;

// The server's end of one TLS session, fed and drained by the caller: TDS
// carries the handshake inside PRELOGIN packets and only then lets TLS
// records run on the socket itself, so the session never touches the socket.
class TlsEndpoint
{
public:
    // The server's context: a self-signed certificate made when first asked
    // for, as SQL Server makes its fallback certificate at start, and TLS 1.2,
    // the newest TLS that SQL Server speaks inside TDS 7. Null with why set
    // when it cannot be made.
    static ssl_ctx_st* serverContext(QString& why);

    explicit TlsEndpoint(ssl_ctx_st* context);
    ~TlsEndpoint();
    TlsEndpoint(const TlsEndpoint&) = delete;
    TlsEndpoint& operator=(const TlsEndpoint&) = delete;

    enum class Step
    {
        Done,
        NeedMore,
        Failed
    };

    // Bytes that came from the peer.
    void feed(const char* data, int size);
    // Bytes to send to the peer, taken once.
    QByteArray takeOutgoing();
    Step handshake();
    // Plain bytes read into buffer: their count, 0 when more must be fed, -1
    // when the session failed or ended.
    int read(char* buffer, int size);
    bool write(const char* data, int size);

private:
    ssl_st* m_ssl = nullptr;
    bio_st* m_incoming = nullptr; // owned by m_ssl
    bio_st* m_outgoing = nullptr; // owned by m_ssl
};
