#include "snapshots/LedgerSnapshot.h"

#include "core/Amounts.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "snapshots/OpeningRow.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr quint32 kMagic = 0x51485350; // "QHSP"
constexpr quint16 kFormat = 2;
constexpr QDataStream::Version kStream = QDataStream::Qt_6_4;

LedgerSnapshot::Table readTable(Session& session, const QString& name)
{
    LedgerSnapshot::Table table;
    table.name = name;
    RecordSet rs = session.query(QStringLiteral("Select * from ") + name);
    table.columns = rs.columns();
    const int width = int(table.columns.size());
    while (!rs.eof()) {
        QVariantList row;
        row.reserve(width);
        for (int c = 0; c < width; ++c)
            row.append(rs.field(c));
        table.rows.append(std::move(row));
        rs.moveNext();
    }
    rs.close();
    return table;
}

// Values are written by hand rather than through QVariant's stream: a tag,
// then the value's bits as they are, so a double keeps every bit, a text its
// letters and a Null its type. It is several times faster than QVariant's
// stream, which matters as this runs inside the command's transaction.
enum Tag : quint8
{
    NullValue = 'N',
    Integer = 'I',
    Real = 'R',
    Text = 'T',
    Moment = 'D',
    Other = 'V'
};

void writeValue(QDataStream& out, const QVariant& value)
{
    if (value.isNull()) {
        out << quint8(NullValue) << qint32(value.typeId());
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        out << quint8(Integer) << qint32(value.typeId()) << value.toLongLong();
        return;
    case QMetaType::Double:
        out << quint8(Real) << value.toDouble();
        return;
    case QMetaType::QString: {
        const QString text = value.toString();
        out << quint8(Text) << qint32(text.size());
        out.writeRawData(reinterpret_cast<const char*>(text.utf16()), int(text.size() * 2));
        return;
    }
    case QMetaType::QDateTime:
        if (const QDateTime moment = value.toDateTime();
            moment.timeSpec() == Qt::LocalTime || moment.timeSpec() == Qt::UTC) {
            out << quint8(Moment) << moment.date().toJulianDay()
                << moment.time().msecsSinceStartOfDay() << qint8(moment.timeSpec());
            return;
        }
        break;
    default:
        break;
    }
    // Anything else (an offset, a time zone, a byte array) as Qt streams it.
    out << quint8(Other) << value;
}

bool readValue(QDataStream& in, QVariant& value)
{
    quint8 tag = 0;
    in >> tag;
    switch (tag) {
    case NullValue: {
        qint32 type = 0;
        in >> type;
        value = QVariant(QMetaType(type), nullptr);
        return true;
    }
    case Integer: {
        qint32 type = 0;
        qint64 number = 0;
        in >> type >> number;
        value = type == QMetaType::Int ? QVariant(int(number)) : QVariant(qlonglong(number));
        return true;
    }
    case Real: {
        double number = 0;
        in >> number;
        value = number;
        return true;
    }
    case Text: {
        qint32 size = 0;
        in >> size;
        if (size < 0 || size > (1 << 28))
            return false;
        QString text(size, Qt::Uninitialized);
        if (in.readRawData(reinterpret_cast<char*>(text.data()), size * 2) != size * 2)
            return false;
        value = text;
        return true;
    }
    case Moment: {
        qint64 day = 0;
        qint32 msecs = 0;
        qint8 spec = 0;
        in >> day >> msecs >> spec;
        value = QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(msecs),
                          Qt::TimeSpec(spec));
        return true;
    }
    case Other:
        in >> value;
        return true;
    default:
        return false;
    }
}

void writeTable(QDataStream& out, const LedgerSnapshot::Table& table)
{
    out << table.name << table.columns << qint64(table.rows.size());
    for (const QVariantList& row : table.rows) {
        for (const QVariant& value : row)
            writeValue(out, value);
    }
}

bool readTable(QDataStream& in, LedgerSnapshot::Table& table)
{
    qint64 rows = 0;
    in >> table.name >> table.columns >> rows;
    if (in.status() != QDataStream::Ok || rows < 0)
        return false;
    const qsizetype width = table.columns.size();
    table.rows.clear();
    table.rows.reserve(qsizetype(std::min<qint64>(rows, 1 << 20)));
    for (qint64 r = 0; r < rows && in.status() == QDataStream::Ok; ++r) {
        QVariantList row(width);
        for (QVariant& value : row) {
            if (!readValue(in, value))
                return false;
        }
        table.rows.append(std::move(row));
    }
    return in.status() == QDataStream::Ok;
}

} // namespace

LedgerSnapshot LedgerSnapshot::read(Session& session)
{
    LedgerSnapshot snapshot;
    snapshot.m_openings = readTable(session, QStringLiteral("Acc_Opening"));
    snapshot.m_years = readTable(session, QStringLiteral("Acc_Accounting_Year"));
    return snapshot;
}

QByteArray LedgerSnapshot::openingsDigest(Session& session)
{
    return digestOf(readTable(session, QStringLiteral("Acc_Opening")));
}

QByteArray LedgerSnapshot::digestOf(const Table& table)
{
    // Neither SQLite nor SQL Server promises an order without ORDER BY, and
    // a table no one touched must not look changed: each row is hashed on
    // its own, the row hashes are sorted, and those are hashed. It runs
    // inside the command's transaction, so one buffer serves every row.
    std::vector<size_t> rows;
    rows.reserve(size_t(table.rows.size()));
    QByteArray bytes;
    for (const QVariantList& row : table.rows) {
        bytes.resize(0);
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(kStream);
        for (const QVariant& value : row)
            writeValue(out, value);
        rows.push_back(qHashBits(bytes.constData(), size_t(bytes.size()), 0x51485350));
    }
    std::sort(rows.begin(), rows.end());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(table.columns.join(u'\n').toUtf8());
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(rows.data()),
                                qsizetype(rows.size() * sizeof(size_t))));
    return hash.result().toHex();
}

int LedgerSnapshot::column(const Table& table, const QString& name)
{
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        if (table.columns[c].compare(name, Qt::CaseInsensitive) == 0)
            return int(c);
    }
    return -1;
}

QByteArray LedgerSnapshot::checksumOf(const QByteArray& serialized)
{
    return QCryptographicHash::hash(serialized, QCryptographicHash::Sha256).toHex();
}

QList<LedgerSnapshot::YearTotals> LedgerSnapshot::totals() const
{
    const int year = column(m_openings, QStringLiteral("AccYearID"));
    const int opening = column(m_openings, QStringLiteral("Opening"));
    const int openingType = column(m_openings, QStringLiteral("OpeningType"));
    const int closing = column(m_openings, QStringLiteral("Closing"));
    const int closingType = column(m_openings, QStringLiteral("ClosingType"));
    if (year < 0 || opening < 0 || openingType < 0 || closing < 0 || closingType < 0)
        return {};
    const QList<OpeningRow> rows = OpeningRow::of(m_openings);
    std::map<double, YearTotals> byYear;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        YearTotals& t = byYear[rows[r].year];
        t.year = m_openings.rows[r][year]; // as stored, for the totals' text
        t.openings += rows[r].signedOpening();
        t.closings += rows[r].signedClosing();
    }
    QList<YearTotals> result;
    for (const auto& [id, t] : byYear)
        result.append(t);
    return result;
}

QString LedgerSnapshot::totalsText() const
{
    QStringList lines;
    for (const YearTotals& t : totals())
        lines.append(QStringLiteral("%1: %2 / %3")
                         .arg(t.year.toString(), Amounts::sided(t.openings),
                              Amounts::sided(t.closings)));
    return lines.join(u'\n');
}

QByteArray LedgerSnapshot::serialize() const
{
    QByteArray bytes;
    bytes.reserve(1 << 16);
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStream);
    out << kMagic << kFormat;
    writeTable(out, m_openings);
    writeTable(out, m_years);
    return bytes;
}

bool LedgerSnapshot::deserialize(const QByteArray& bytes, LedgerSnapshot& snapshot)
{
    QDataStream in(bytes);
    in.setVersion(kStream);
    quint32 magic = 0;
    quint16 format = 0;
    in >> magic >> format;
    if (in.status() != QDataStream::Ok || magic != kMagic || format != kFormat)
        return false;
    return readTable(in, snapshot.m_openings) && readTable(in, snapshot.m_years) && in.atEnd();
}
