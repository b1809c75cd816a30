#pragma once

#include "tests/tds/LedgerDatabase.h"
#include "tests/tds/TdsSocket.h"
#include "tests/tds/TdsTokens.h"

#include <QByteArray>
#include <QString>
#include <memory>

class ServerControl;

// A client's way in: the pre-login, where the server's encryption setting
// and the client's offer decide whether TLS carries the login alone, the
// whole session or nothing; then LOGIN7 with SQL
// Server authentication. A login of the server's for its own database opens
// that database's ledger file; anything else gets SQL Server's refusal
// (18456, with 4060 before it for a database that cannot be opened) and the
// connection is closed.
class ClientLogin
{
public:
    ClientLogin(TdsSocket& socket, ServerControl& control) : m_socket(socket), m_control(control) {}

    // The ledger of the logged-in client; null when the login failed or the
    // client went.
    std::unique_ptr<LedgerDatabase> handshake();

private:
    TdsTokens::Encrypt answerTo(TdsTokens::Encrypt offered) const;
    std::unique_ptr<LedgerDatabase> login(const QByteArray& payload);
    void refuse(const QString& user, const QString& database, bool databaseMissing);

    TdsSocket& m_socket;
    ServerControl& m_control;
};
