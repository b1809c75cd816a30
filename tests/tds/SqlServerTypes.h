#pragma once

#include "tests/tds/WireBuffer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <stdexcept>

// One value as SQLite gives it.
struct Cell
{
    enum class Kind
    {
        Null,
        Integer,
        Real,
        Text,
        Blob
    };
    Kind kind = Kind::Null;
    int64_t integer = 0;
    double real = 0;
    QString text;
    QByteArray blob;
};

// A value SQL Server could not have sent in the column's type: the error
// number and text SQL Server gives for that conversion.
class ConversionError : public std::runtime_error
{
public:
    ConversionError(int number, const QString& text)
        : std::runtime_error(text.toStdString()), m_number(number), m_text(text)
    {
    }
    int number() const { return m_number; }
    const QString& text() const { return m_text; }

private:
    int m_number;
    QString m_text;
};

// The SQL Server type a result column goes out as, and its encoding on the
// wire (TYPE_INFO in the column metadata, then each row's value).
class SqlServerType
{
public:
    enum class Kind
    {
        Int,
        BigInt,
        Float,
        Varchar,
        NVarchar,
        DateTime,
        Decimal,
        Money,
        RowVersion // binary(8)
    };

    SqlServerType(Kind kind = Kind::Int, int precision = 18, int scale = 2)
        : m_kind(kind), m_precision(precision), m_scale(scale)
    {
    }

    // The type SQL Server would give a column declared so in the ledger
    // (the SQLite declaration); for an expression without a declaration,
    // the type its values call for.
    static SqlServerType ofColumn(const QString& declared, const QList<Cell>& values);

    Kind kind() const { return m_kind; }
    void writeTypeInfo(WireWriter& out) const;
    // Throws ConversionError where SQL Server would have refused the value.
    void writeValue(WireWriter& out, const Cell& cell) const;

    // Day count from 1 January 1900 and 1/300 s ticks of a date text
    // ("YYYY-MM-DD[ HH:MM[:SS[.fff]]]", also with "T"); false when the text
    // is no date.
    static bool parseDateTime(const QString& text, int32_t& days, uint32_t& ticks);
    // The text stored for a datetime written as a number: days counted from
    // 1 January 1900, as SQL Server converts a number into a datetime.
    static QString dateTimeTextOfNumber(double days);
    // The same text for a written date text; empty when it is no date.
    static QString dateTimeTextOfText(const QString& text);
    // Windows-1252 bytes of a text, '?' for each UTF-16 unit the code page
    // lacks (two for a character beyond U+FFFF), as SQL Server converts.
    static QByteArray toCodePage(const QString& text);
    // The same text as it reads back from the code page.
    static QString throughCodePage(const QString& text);

private:
    Kind m_kind;
    int m_precision;
    int m_scale;
};
