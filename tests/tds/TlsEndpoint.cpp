#include "tests/tds/TlsEndpoint.h"

#include <mutex>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace {

QString lastError()
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return QString::fromUtf8(text);
}

SSL_CTX* makeContext(QString& why)
{
    // RSA 2048, as SQL Server's own self-signed certificate.
    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* certificate = X509_new();
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    bool made = key && certificate && context;
    if (made) {
        X509_set_version(certificate, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), 365L * 24 * 3600);
        X509_set_pubkey(certificate, key);
        X509_NAME* name = X509_get_subject_name(certificate);
        X509_NAME_add_entry_by_txt(
            name, "CN", MBSTRING_ASC,
            reinterpret_cast<const unsigned char*>("SSL_Self_Signed_Fallback"), -1, -1, 0);
        X509_set_issuer_name(certificate, name);
        made = X509_sign(certificate, key, EVP_sha256()) > 0 &&
               SSL_CTX_use_certificate(context, certificate) == 1 &&
               SSL_CTX_use_PrivateKey(context, key) == 1 &&
               SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) == 1 &&
               SSL_CTX_set_max_proto_version(context, TLS1_2_VERSION) == 1;
        SSL_CTX_set_options(context, SSL_OP_NO_TICKET);
    }
    if (!made) {
        why = lastError();
        SSL_CTX_free(context);
        context = nullptr;
    }
    X509_free(certificate);
    EVP_PKEY_free(key);
    return context;
}

} // namespace

SSL_CTX* TlsEndpoint::serverContext(QString& why)
{
    static std::once_flag once;
    static SSL_CTX* context = nullptr;
    static QString failure;
    std::call_once(once, [] { context = makeContext(failure); });
    why = failure;
    return context;
}

TlsEndpoint::TlsEndpoint(SSL_CTX* context)
    : m_ssl(SSL_new(context)), m_incoming(BIO_new(BIO_s_mem())), m_outgoing(BIO_new(BIO_s_mem()))
{
    SSL_set_bio(m_ssl, m_incoming, m_outgoing);
    SSL_set_accept_state(m_ssl);
}

TlsEndpoint::~TlsEndpoint()
{
    SSL_free(m_ssl);
}

void TlsEndpoint::feed(const char* data, int size)
{
    BIO_write(m_incoming, data, size);
}

QByteArray TlsEndpoint::takeOutgoing()
{
    QByteArray bytes(int(BIO_ctrl_pending(m_outgoing)), Qt::Uninitialized);
    if (!bytes.isEmpty())
        BIO_read(m_outgoing, bytes.data(), int(bytes.size()));
    return bytes;
}

TlsEndpoint::Step TlsEndpoint::handshake()
{
    const int rc = SSL_do_handshake(m_ssl);
    if (rc == 1)
        return Step::Done;
    return SSL_get_error(m_ssl, rc) == SSL_ERROR_WANT_READ ? Step::NeedMore : Step::Failed;
}

int TlsEndpoint::read(char* buffer, int size)
{
    const int got = SSL_read(m_ssl, buffer, size);
    if (got > 0)
        return got;
    return SSL_get_error(m_ssl, got) == SSL_ERROR_WANT_READ ? 0 : -1;
}

bool TlsEndpoint::write(const char* data, int size)
{
    // Memory BIOs take everything: the write is whole or fails.
    return size == 0 || SSL_write(m_ssl, data, size) == size;
}
