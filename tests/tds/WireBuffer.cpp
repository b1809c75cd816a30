#include "tests/tds/WireBuffer.h"

#include <cstring>

WireWriter& WireWriter::u8(uint8_t value)
{
    m_data.append(char(value));
    return *this;
}

WireWriter& WireWriter::u16(uint16_t value)
{
    return u8(uint8_t(value)).u8(uint8_t(value >> 8));
}

WireWriter& WireWriter::u16be(uint16_t value)
{
    return u8(uint8_t(value >> 8)).u8(uint8_t(value));
}

WireWriter& WireWriter::u32(uint32_t value)
{
    return u16(uint16_t(value)).u16(uint16_t(value >> 16));
}

WireWriter& WireWriter::u64(uint64_t value)
{
    return u32(uint32_t(value)).u32(uint32_t(value >> 32));
}

WireWriter& WireWriter::f64(double value)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return u64(bits);
}

WireWriter& WireWriter::bytes(const QByteArray& data)
{
    m_data.append(data);
    return *this;
}

WireWriter& WireWriter::ucs2(const QString& text)
{
    for (const QChar c : text)
        u16(c.unicode());
    return *this;
}

WireWriter& WireWriter::bVarchar(const QString& text)
{
    const QString cut = text.left(255);
    return u8(uint8_t(cut.size())).ucs2(cut);
}

WireWriter& WireWriter::usVarchar(const QString& text)
{
    const QString cut = text.left(65535);
    return u16(uint16_t(cut.size())).ucs2(cut);
}

void WireWriter::patchU16(qsizetype at, uint16_t value)
{
    m_data[at] = char(value & 0xff);
    m_data[at + 1] = char(value >> 8);
}

void WireReader::need(qsizetype count) const
{
    if (count < 0 || m_pos + count > m_data.size())
        throw WireError("message ends early");
}

uint8_t WireReader::u8()
{
    need(1);
    return uint8_t(m_data[m_pos++]);
}

uint16_t WireReader::u16()
{
    const uint16_t low = u8();
    return uint16_t(low | (uint16_t(u8()) << 8));
}

uint16_t WireReader::u16be()
{
    const uint16_t high = u8();
    return uint16_t((high << 8) | u8());
}

uint32_t WireReader::u32()
{
    const uint32_t low = u16();
    return low | (uint32_t(u16()) << 16);
}

uint64_t WireReader::u64()
{
    const uint64_t low = u32();
    return low | (uint64_t(u32()) << 32);
}

QByteArray WireReader::bytes(qsizetype count)
{
    need(count);
    const QByteArray result = m_data.mid(m_pos, count);
    m_pos += count;
    return result;
}

QString WireReader::ucs2(qsizetype count)
{
    need(count * 2);
    QString text(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i)
        text[i] = QChar(u16());
    return text;
}

QString WireReader::bVarchar()
{
    return ucs2(u8());
}

void WireReader::skip(qsizetype count)
{
    need(count);
    m_pos += count;
}

void WireReader::seek(qsizetype pos)
{
    if (pos < 0 || pos > m_data.size())
        throw WireError("offset outside the message");
    m_pos = pos;
}
