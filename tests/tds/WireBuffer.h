#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

// Little-endian building blocks of TDS messages, both ways. A reader that
// runs past the end of what the client sent throws WireError: a client that
// sends a truncated message loses its connection, never the server.
class WireError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class WireWriter
{
public:
    WireWriter& u8(uint8_t value);
    WireWriter& u16(uint16_t value);
    WireWriter& u16be(uint16_t value);
    WireWriter& u32(uint32_t value);
    WireWriter& u64(uint64_t value);
    WireWriter& f64(double value);
    WireWriter& bytes(const QByteArray& data);
    // UTF-16LE without a length.
    WireWriter& ucs2(const QString& text);
    // B_VARCHAR: a one-byte count of characters, then UTF-16LE.
    WireWriter& bVarchar(const QString& text);
    // US_VARCHAR: a two-byte count of characters, then UTF-16LE.
    WireWriter& usVarchar(const QString& text);

    // Writes a 16-bit value over two bytes written earlier (a length that is
    // known only once what follows is written).
    void patchU16(qsizetype at, uint16_t value);

    qsizetype size() const { return m_data.size(); }
    const QByteArray& data() const { return m_data; }
    QByteArray take() { return std::exchange(m_data, QByteArray()); }

private:
    QByteArray m_data;
};

class WireReader
{
public:
    explicit WireReader(const QByteArray& data, qsizetype start = 0) : m_data(data), m_pos(start) {}

    uint8_t u8();
    uint16_t u16();
    uint16_t u16be();
    uint32_t u32();
    uint64_t u64();
    QByteArray bytes(qsizetype count);
    // count UTF-16 code units.
    QString ucs2(qsizetype count);
    QString bVarchar();
    void skip(qsizetype count);

    qsizetype pos() const { return m_pos; }
    void seek(qsizetype pos);
    qsizetype remaining() const { return m_data.size() - m_pos; }

private:
    void need(qsizetype count) const;

    const QByteArray& m_data;
    qsizetype m_pos;
};
