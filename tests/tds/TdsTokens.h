#pragma once

#include "tests/tds/LedgerDatabase.h"
#include "tests/tds/WireBuffer.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// The tokens of a server's reply, each appended to a message being built.
namespace TdsTokens {

enum DoneStatus : uint16_t
{
    DoneFinal = 0x00,
    DoneMore = 0x01,
    DoneError = 0x02,
    DoneInTransaction = 0x04,
    DoneCount = 0x10,
    DoneAttention = 0x20
};

enum EnvChange : uint8_t
{
    Database = 1,
    Language = 2,
    PacketSize = 4,
    Collation = 7,
    BeginTransaction = 8,
    CommitTransaction = 9,
    RollbackTransaction = 10
};

// The ENCRYPTION values of a PRELOGIN.
enum Encrypt : uint8_t
{
    EncryptOff = 0, // the login only
    EncryptOn = 1,
    EncryptNotSupported = 2,
    EncryptRequired = 3
};

// The ENCRYPTION a client's PRELOGIN offers; EncryptNotSupported when it
// names none.
Encrypt preLoginEncryption(const QByteArray& payload);
// The reply to a PRELOGIN: version, the encryption given, no MARS.
QByteArray preLoginReply(Encrypt encryption);

// The LOGINACK of a server of that version (2000, 2005, ...).
void loginAck(WireWriter& out, int version);
void envChange(WireWriter& out, EnvChange type, const QString& newValue, const QString& oldValue);
void envChangeBytes(WireWriter& out, EnvChange type, const QByteArray& newValue,
                    const QByteArray& oldValue);
// The collation every varchar of the server carries.
void collationChange(WireWriter& out);
void error(WireWriter& out, int number, int severity, const QString& text,
           const QString& server = QStringLiteral("QUILLHAVEN-TDS"));
void info(WireWriter& out, int number, const QString& text);
// Whether the connection the calling thread serves speaks TDS 7.1 (SQL
// Server 2000), where a DONE token's row count has 4 bytes, not 8, and a
// column's user type 2, not 4.
void speakTds71(bool tds71);
// The command a DONE token names for a statement, by its first word.
enum Command : uint16_t
{
    Select = 0xC1,
    Insert = 0xC3,
    Delete = 0xC4,
    Update = 0xC5
};
uint16_t commandOf(const QString& sql);
void done(WireWriter& out, uint16_t status, uint16_t command = 0, uint64_t rows = 0);
// The DONE of a statement run inside another's (a trigger's).
void doneInProc(WireWriter& out, uint16_t status, uint16_t command, uint64_t rows);
// Column metadata and every row of a result.
void result(WireWriter& out, const StatementOutcome& outcome);

} // namespace TdsTokens
