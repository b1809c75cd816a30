#include "tests/tds/SqlServerTypes.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {

enum TypeByte : uint8_t
{
    IntN = 0x26,
    DecimalN = 0x6A,
    FloatN = 0x6D,
    MoneyN = 0x6E,
    DateTimeN = 0x6F,
    BigVarChar = 0xA7,
    BigBinary = 0xAD,
    NVarChar = 0xE7
};

// SQL_Latin1_General_CP1_CI_AS: code page 1252, case-insensitive.
const char kCollation[5] = {0x09, 0x04, char(0xD0), 0x00, 0x34};
constexpr uint16_t kMaxVarchar = 8000;
constexpr uint16_t kNullLength = 0xFFFF;

const QDate kEpoch(1900, 1, 1);

// Windows-1252 at 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const QRegularExpression& dateTimePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})-(\d{2})-(\d{2})(?:[ T](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,9}))?)?)?\s*$)"));
    return pattern;
}

bool allValues(const QList<Cell>& values, Cell::Kind kind, bool& any)
{
    any = false;
    for (const Cell& cell : values) {
        if (cell.kind == Cell::Kind::Null)
            continue;
        any = true;
        if (cell.kind != kind)
            return false;
    }
    return true;
}

bool fitsInt32(int64_t value)
{
    return value >= std::numeric_limits<int32_t>::min() &&
           value <= std::numeric_limits<int32_t>::max();
}

QString numberText(const Cell& cell)
{
    if (cell.kind == Cell::Kind::Integer)
        return QString::number(cell.integer);
    return QString::number(cell.real, 'g', 17);
}

// The number in a cell, as SQL Server converts varchar to a number: the whole
// text, blanks around it allowed.
bool numberOf(const Cell& cell, double& value)
{
    switch (cell.kind) {
    case Cell::Kind::Integer:
        value = double(cell.integer);
        return true;
    case Cell::Kind::Real:
        value = cell.real;
        return true;
    case Cell::Kind::Text: {
        bool ok = false;
        value = cell.text.trimmed().toDouble(&ok);
        return ok;
    }
    case Cell::Kind::Null:
    case Cell::Kind::Blob:
        break;
    }
    return false;
}

void writeScaled(WireWriter& out, int64_t scaled, int bytes)
{
    out.u8(uint8_t(bytes + 1)).u8(scaled < 0 ? 0 : 1);
    uint64_t magnitude = scaled < 0 ? uint64_t(-(scaled + 1)) + 1 : uint64_t(scaled);
    for (int i = 0; i < bytes; ++i) {
        out.u8(uint8_t(magnitude & 0xff));
        magnitude >>= 8;
    }
}

int decimalBytes(int precision)
{
    if (precision <= 9)
        return 4;
    if (precision <= 19)
        return 8;
    if (precision <= 28)
        return 12;
    return 16;
}

} // namespace

SqlServerType SqlServerType::ofColumn(const QString& declared, const QList<Cell>& values)
{
    const QString type = declared.trimmed().toUpper();
    if (!type.isEmpty()) {
        if (type == QLatin1String("ROWVERSION") || type == QLatin1String("TIMESTAMP"))
            return {Kind::RowVersion};
        if (type.contains(QLatin1String("MONEY")))
            return {Kind::Money};
        if (type.startsWith(QLatin1String("DECIMAL")) ||
            type.startsWith(QLatin1String("NUMERIC"))) {
            static const QRegularExpression digits(
                QStringLiteral(R"(\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))"));
            const QRegularExpressionMatch m = digits.match(type);
            const int precision = m.hasMatch() ? std::clamp(m.captured(1).toInt(), 1, 38) : 18;
            const int scale = m.hasMatch() && m.hasCaptured(2)
                                  ? std::clamp(m.captured(2).toInt(), 0, precision)
                                  : 0;
            return {Kind::Decimal, precision, scale};
        }
        if (type.contains(QLatin1String("DATE")) || type.contains(QLatin1String("TIME")))
            return {Kind::DateTime};
        if (type.contains(QLatin1String("BIGINT")))
            return {Kind::BigInt};
        if (type.contains(QLatin1String("INT")))
            return {Kind::Int};
        if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
            type.contains(QLatin1String("DOUB")))
            return {Kind::Float};
        if (type.startsWith(QLatin1Char('N')))
            return {Kind::NVarchar};
        return {Kind::Varchar};
    }
    // An expression: what its values are.
    bool any = false;
    if (allValues(values, Cell::Kind::Integer, any)) {
        for (const Cell& cell : values) {
            if (cell.kind == Cell::Kind::Integer && !fitsInt32(cell.integer))
                return {Kind::BigInt};
        }
        return {Kind::Int};
    }
    bool onlyNumbers = true;
    bool onlyDates = true;
    for (const Cell& cell : values) {
        if (cell.kind == Cell::Kind::Text) {
            onlyNumbers = false;
            onlyDates = onlyDates && dateTimePattern().match(cell.text).hasMatch();
        } else if (cell.kind != Cell::Kind::Null) {
            onlyDates = false;
        }
    }
    if (onlyNumbers)
        return {Kind::Float};
    return {onlyDates ? Kind::DateTime : Kind::Varchar};
}

void SqlServerType::writeTypeInfo(WireWriter& out) const
{
    switch (m_kind) {
    case Kind::Int:
        out.u8(IntN).u8(4);
        break;
    case Kind::BigInt:
        out.u8(IntN).u8(8);
        break;
    case Kind::Float:
        out.u8(FloatN).u8(8);
        break;
    case Kind::Varchar:
        out.u8(BigVarChar).u16(kMaxVarchar).bytes(QByteArray(kCollation, 5));
        break;
    case Kind::NVarchar:
        out.u8(NVarChar).u16(kMaxVarchar).bytes(QByteArray(kCollation, 5));
        break;
    case Kind::DateTime:
        out.u8(DateTimeN).u8(8);
        break;
    case Kind::Decimal:
        out.u8(DecimalN).u8(uint8_t(decimalBytes(m_precision) + 1)).u8(uint8_t(m_precision));
        out.u8(uint8_t(m_scale));
        break;
    case Kind::Money:
        out.u8(MoneyN).u8(8);
        break;
    case Kind::RowVersion:
        out.u8(BigBinary).u16(8);
        break;
    }
}

void SqlServerType::writeValue(WireWriter& out, const Cell& cell) const
{
    const bool isNull = cell.kind == Cell::Kind::Null;
    switch (m_kind) {
    case Kind::Int:
    case Kind::BigInt: {
        if (isNull) {
            out.u8(0);
            return;
        }
        int64_t value = 0;
        if (cell.kind == Cell::Kind::Integer) {
            value = cell.integer;
        } else if (cell.kind == Cell::Kind::Real) {
            value = int64_t(std::trunc(cell.real));
        } else {
            bool ok = false;
            value = cell.text.trimmed().toLongLong(&ok);
            if (!ok)
                throw ConversionError(245, QStringLiteral("Conversion failed when converting the "
                                                          "varchar value '%1' to data type %2.")
                                               .arg(cell.text, m_kind == Kind::Int
                                                                   ? QStringLiteral("int")
                                                                   : QStringLiteral("bigint")));
        }
        if (m_kind == Kind::Int) {
            if (!fitsInt32(value))
                throw ConversionError(8115, QStringLiteral("Arithmetic overflow error converting "
                                                           "expression to data type int."));
            out.u8(4).u32(uint32_t(int32_t(value)));
        } else {
            out.u8(8).u64(uint64_t(value));
        }
        return;
    }
    case Kind::Float: {
        double value = 0;
        if (isNull) {
            out.u8(0);
        } else if (numberOf(cell, value)) {
            out.u8(8).f64(value);
        } else {
            throw ConversionError(8114,
                                  QStringLiteral("Error converting data type varchar to float."));
        }
        return;
    }
    case Kind::Decimal:
    case Kind::Money: {
        double value = 0;
        if (isNull) {
            out.u8(0);
            return;
        }
        if (!numberOf(cell, value)) {
            if (m_kind == Kind::Money)
                throw ConversionError(235, QStringLiteral("Cannot convert a char value to money. "
                                                          "The char value has incorrect syntax."));
            throw ConversionError(8114,
                                  QStringLiteral("Error converting data type varchar to numeric."));
        }
        const int scale = m_kind == Kind::Money ? 4 : m_scale;
        const int64_t scaled = std::llround(value * std::pow(10.0, scale));
        if (m_kind == Kind::Decimal) {
            writeScaled(out, scaled, decimalBytes(m_precision));
        } else {
            const uint64_t bits = uint64_t(scaled);
            out.u8(8).u32(uint32_t(bits >> 32)).u32(uint32_t(bits));
        }
        return;
    }
    case Kind::RowVersion:
        if (isNull || cell.kind != Cell::Kind::Blob || cell.blob.size() != 8)
            out.u16(kNullLength);
        else
            out.u16(8).bytes(cell.blob);
        return;
    case Kind::Varchar:
    case Kind::NVarchar: {
        if (isNull) {
            out.u16(kNullLength);
            return;
        }
        const QString text = cell.kind == Cell::Kind::Text ? cell.text : numberText(cell);
        const QByteArray bytes =
            m_kind == Kind::Varchar
                ? toCodePage(text)
                : QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        if (bytes.size() > kMaxVarchar)
            throw ConversionError(8152,
                                  QStringLiteral("String or binary data would be truncated."));
        out.u16(uint16_t(bytes.size())).bytes(bytes);
        return;
    }
    case Kind::DateTime: {
        if (isNull) {
            out.u8(0);
            return;
        }
        int32_t days = 0;
        uint32_t ticks = 0;
        if (cell.kind == Cell::Kind::Text) {
            if (!parseDateTime(cell.text, days, ticks))
                throw ConversionError(241, QStringLiteral("Conversion failed when converting date "
                                                          "and/or time from character string."));
        } else {
            const double value =
                cell.kind == Cell::Kind::Integer ? double(cell.integer) : cell.real;
            days = int32_t(std::floor(value));
            ticks = uint32_t(std::llround((value - days) * 86400.0 * 300.0));
        }
        out.u8(8).u32(uint32_t(days)).u32(ticks);
        return;
    }
    }
}

bool SqlServerType::parseDateTime(const QString& text, int32_t& days, uint32_t& ticks)
{
    const QRegularExpressionMatch m = dateTimePattern().match(text);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int hours = m.captured(4).toInt();
    const int minutes = m.captured(5).toInt();
    const int seconds = m.captured(6).toInt();
    if (!date.isValid() || hours > 23 || minutes > 59 || seconds > 59)
        return false;
    const double fraction =
        m.hasCaptured(7) ? (QStringLiteral("0.") + m.captured(7)).toDouble() : 0;
    days = int32_t(kEpoch.daysTo(date));
    const double secondsOfDay = hours * 3600.0 + minutes * 60.0 + seconds + fraction;
    ticks = uint32_t(std::llround(secondsOfDay * 300.0));
    return true;
}

QString SqlServerType::dateTimeTextOfNumber(double days)
{
    const double whole = std::floor(days);
    const qint64 ms = std::llround((days - whole) * 86400000.0);
    const QDateTime moment = QDateTime(kEpoch.addDays(qint64(whole)), QTime(0, 0)).addMSecs(ms);
    const QString format = moment.time().msec() != 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                     : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return moment.toString(format);
}

QString SqlServerType::dateTimeTextOfText(const QString& text)
{
    int32_t days = 0;
    uint32_t ticks = 0;
    if (!parseDateTime(text, days, ticks))
        return {};
    return dateTimeTextOfNumber(days + ticks / (86400.0 * 300.0));
}

QByteArray SqlServerType::toCodePage(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes.append(char(c));
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHighControls[k] != 0 && kHighControls[k] == c)
                mapped = char(0x80 + k);
        }
        bytes.append(mapped);
    }
    return bytes;
}

QString SqlServerType::throughCodePage(const QString& text)
{
    const QByteArray bytes = toCodePage(text);
    QString back;
    back.reserve(bytes.size());
    for (const char b : bytes) {
        const uint8_t byte = uint8_t(b);
        back.append(byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] != 0
                        ? QChar(kHighControls[byte - 0x80])
                        : QChar(char16_t(byte)));
    }
    return back;
}
