#include "tests/tds/ClientLogin.h"

#include "tests/tds/ServerCatalog.h"
#include "tests/tds/ServerControl.h"
#include "tests/tds/TdsTokens.h"
#include "tests/tds/TlsEndpoint.h"
#include "tests/tds/WireBuffer.h"

#include <QHostInfo>
#include <cstdio>

namespace {

using namespace TdsTokens;

QString decodePassword(QByteArray bytes)
{
    // LOGIN7 scrambles each byte: nibbles swapped, then XOR 0xA5.
    for (char& b : bytes) {
        const uint8_t x = uint8_t(b) ^ 0xA5;
        b = char(uint8_t((x << 4) | (x >> 4)));
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
}

} // namespace

Encrypt ClientLogin::answerTo(Encrypt offered) const
{
    switch (m_control.encryption()) {
    case ServerControl::Encryption::None:
        return EncryptNotSupported;
    case ServerControl::Encryption::Login:
        return offered == EncryptRequired ? EncryptOn : offered;
    case ServerControl::Encryption::Whole:
        break;
    }
    // A client that cannot encrypt is told so, then turned away.
    return offered == EncryptOn ? EncryptOn : EncryptRequired;
}

std::unique_ptr<LedgerDatabase> ClientLogin::handshake()
{
    uint8_t type = 0;
    QByteArray payload;
    if (!m_socket.read(type, payload))
        return nullptr;
    Encrypt agreed = EncryptNotSupported;
    if (type == TdsSocket::PreLogin) {
        const Encrypt offered = preLoginEncryption(payload);
        agreed = answerTo(offered);
        if (!m_socket.write(preLoginReply(agreed)))
            return nullptr;
        if (agreed == EncryptRequired && offered == EncryptNotSupported) {
            m_socket.close();
            return nullptr;
        }
        if (agreed != EncryptNotSupported) {
            QString why;
            ssl_ctx_st* context = TlsEndpoint::serverContext(why);
            if (!context || !m_socket.startTls(context)) {
                std::fprintf(stderr, "quillhaven-tds-server: TLS handshake failed %s\n",
                             qPrintable(why));
                m_socket.close();
                return nullptr;
            }
        }
        if (!m_socket.read(type, payload))
            return nullptr;
    }
    // A login-only session goes on in the clear after the LOGIN7.
    if (agreed == EncryptOff)
        m_socket.setEncrypted(false);
    if (type != TdsSocket::Login7)
        return nullptr;
    std::unique_ptr<LedgerDatabase> ledger = login(payload);
    if (ledger && agreed != EncryptNotSupported)
        m_control.countEncrypted(m_socket.isEncrypted());
    return ledger;
}

std::unique_ptr<LedgerDatabase> ClientLogin::login(const QByteArray& payload)
{
    WireReader in(payload);
    in.skip(8);
    const uint32_t packetSize = in.u32();
    auto field = [&](int offsetAt) {
        in.seek(offsetAt);
        const uint16_t at = in.u16();
        const uint16_t count = in.u16();
        in.seek(at);
        return in.bytes(count * 2);
    };
    auto text = [](const QByteArray& bytes) {
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                                  bytes.size() / 2);
    };
    const QString user = text(field(40));
    const QString password = decodePassword(field(44));
    const QString requested = text(field(68));

    const ServerControl::Login* found = m_control.findLogin(user, password);
    if (!found) {
        refuse(user, requested, false);
        return nullptr;
    }
    const QString catalog = requested.isEmpty() ? found->database : requested;
    const QString file = catalog.compare(found->database, Qt::CaseInsensitive) == 0
                             ? m_control.ledgerFile(catalog)
                             : QString();
    QString why;
    std::unique_ptr<LedgerDatabase> ledger;
    if (!file.isEmpty())
        ledger = LedgerDatabase::open(file, why);
    if (!ledger) {
        refuse(user, catalog, true);
        return nullptr;
    }
    ledger->describeAs(QHostInfo::localHostName().toUpper(), catalog, file, m_control.version,
                       m_control.collation);

    const int size = packetSize >= 512 && packetSize <= 32767 ? int(packetSize) : 4096;
    m_socket.setPacketSize(size);
    WireWriter out;
    envChange(out, Database, catalog, QStringLiteral("master"));
    info(out, 5701, QStringLiteral("Changed database context to '%1'.").arg(catalog));
    collationChange(out);
    envChange(out, Language, QStringLiteral("us_english"), QString());
    envChange(out, PacketSize, QString::number(size), QString::number(size));
    loginAck(out, m_control.version);
    speakTds71(ServerCatalog::tdsVersion(m_control.version) < 0x72000000);
    done(out, DoneFinal);
    m_control.countLogin();
    if (!m_socket.write(out.data()))
        return nullptr;
    return ledger;
}

void ClientLogin::refuse(const QString& user, const QString& database, bool databaseMissing)
{
    WireWriter out;
    if (databaseMissing)
        error(out, 4060, 11,
              QStringLiteral("Cannot open database \"%1\" requested by the login. The login "
                             "failed.")
                  .arg(database));
    error(out, 18456, 14, QStringLiteral("Login failed for user '%1'.").arg(user));
    done(out, DoneError);
    m_socket.write(out.data());
    m_socket.close();
}
