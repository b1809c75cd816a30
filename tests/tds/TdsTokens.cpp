#include "tests/tds/TdsTokens.h"

#include "tests/tds/ServerCatalog.h"

namespace TdsTokens {

namespace {

enum Token : uint8_t
{
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    Row = 0xD1,
    EnvChangeToken = 0xE3,
    Done = 0xFD,
    DoneInProc = 0xFF
};

const char kCollationBytes[5] = {0x09, 0x04, char(0xD0), 0x00, 0x34};

void message(WireWriter& out, Token token, int number, int state, int severity, const QString& text,
             const QString& server)
{
    out.u8(token);
    const qsizetype lengthAt = out.size();
    out.u16(0);
    out.u32(uint32_t(number)).u8(uint8_t(state)).u8(uint8_t(severity));
    out.usVarchar(text).bVarchar(server).bVarchar(QString()).u32(1);
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}

} // namespace

Encrypt preLoginEncryption(const QByteArray& payload)
{
    // Options of five bytes each (token, big-endian offset and length) up
    // to 0xFF, then their data.
    for (qsizetype at = 0; at + 5 <= payload.size() && uint8_t(payload[at]) != 0xFF; at += 5) {
        const int offset = (uint8_t(payload[at + 1]) << 8) | uint8_t(payload[at + 2]);
        const int length = (uint8_t(payload[at + 3]) << 8) | uint8_t(payload[at + 4]);
        if (uint8_t(payload[at]) == 0x01 && length >= 1 && offset < payload.size())
            return Encrypt(uint8_t(payload[offset]) & 0x03);
    }
    return EncryptNotSupported;
}

QByteArray preLoginReply(Encrypt encryption)
{
    // Options: VERSION, ENCRYPTION, INSTOPT, THREADID, MARS, then the data.
    struct Option
    {
        uint8_t token;
        QByteArray data;
    };
    const Option options[] = {
        {0x00, QByteArray("\x10\x00\x03\xE8\x00\x00", 6)},
        {0x01, QByteArray(1, char(encryption))},
        {0x02, QByteArray("\x00", 1)},
        {0x03, QByteArray()},
        {0x04, QByteArray("\x00", 1)},
    };
    const int headerSize = int(std::size(options)) * 5 + 1;
    WireWriter out;
    int offset = headerSize;
    for (const Option& option : options) {
        out.u8(option.token).u16be(uint16_t(offset)).u16be(uint16_t(option.data.size()));
        offset += int(option.data.size());
    }
    out.u8(0xFF);
    for (const Option& option : options)
        out.bytes(option.data);
    return out.take();
}

void loginAck(WireWriter& out, int version)
{
    out.u8(LoginAck);
    const qsizetype lengthAt = out.size();
    out.u16(0);
    // Interface SQL, then the TDS version, its bytes high to low.
    const quint32 tds = ServerCatalog::tdsVersion(version);
    out.u8(1).u8(uint8_t(tds >> 24)).u8(uint8_t(tds >> 16)).u8(uint8_t(tds >> 8)).u8(uint8_t(tds));
    out.bVarchar(QStringLiteral("Microsoft SQL Server"));
    out.bytes(ServerCatalog::productVersion(version));
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}

void envChange(WireWriter& out, EnvChange type, const QString& newValue, const QString& oldValue)
{
    out.u8(EnvChangeToken);
    const qsizetype lengthAt = out.size();
    out.u16(0);
    out.u8(type).bVarchar(newValue).bVarchar(oldValue);
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}

void envChangeBytes(WireWriter& out, EnvChange type, const QByteArray& newValue,
                    const QByteArray& oldValue)
{
    out.u8(EnvChangeToken);
    const qsizetype lengthAt = out.size();
    out.u16(0);
    out.u8(type).u8(uint8_t(newValue.size())).bytes(newValue);
    out.u8(uint8_t(oldValue.size())).bytes(oldValue);
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}

void collationChange(WireWriter& out)
{
    envChangeBytes(out, Collation, QByteArray(kCollationBytes, 5), QByteArray());
}

void error(WireWriter& out, int number, int severity, const QString& text, const QString& server)
{
    message(out, Error, number, 1, severity, text, server);
}

void info(WireWriter& out, int number, const QString& text)
{
    message(out, Info, number, 1, 0, text, QStringLiteral("QUILLHAVEN-TDS"));
}

thread_local bool t_tds71 = false;

void speakTds71(bool tds71)
{
    t_tds71 = tds71;
}

void writeDone(WireWriter& out, Token token, uint16_t status, uint16_t command, uint64_t rows)
{
    out.u8(token).u16(status).u16(command);
    if (t_tds71)
        out.u32(uint32_t(rows));
    else
        out.u64(rows);
}

void done(WireWriter& out, uint16_t status, uint16_t command, uint64_t rows)
{
    writeDone(out, Done, status, command, rows);
}

void doneInProc(WireWriter& out, uint16_t status, uint16_t command, uint64_t rows)
{
    writeDone(out, DoneInProc, status, command, rows);
}

void result(WireWriter& out, const StatementOutcome& outcome)
{
    out.u8(ColMetadata).u16(uint16_t(outcome.names.size()));
    for (qsizetype c = 0; c < outcome.names.size(); ++c) {
        if (t_tds71)
            out.u16(0);
        else
            out.u32(0);
        out.u16(0x0001); // after the user type: nullable
        outcome.types[c].writeTypeInfo(out);
        out.bVarchar(outcome.names[c]);
    }
    for (const QList<Cell>& row : outcome.rows) {
        out.u8(Row);
        for (qsizetype c = 0; c < row.size(); ++c)
            outcome.types[c].writeValue(out, row[c]);
    }
}

uint16_t commandOf(const QString& sql)
{
    const QString word = sql.trimmed().section(QLatin1Char(' '), 0, 0).left(6).toUpper();
    if (word.startsWith(QLatin1String("INSERT")))
        return Insert;
    if (word.startsWith(QLatin1String("DELETE")))
        return Delete;
    if (word.startsWith(QLatin1String("UPDATE")))
        return Update;
    return Select;
}

} // namespace TdsTokens
