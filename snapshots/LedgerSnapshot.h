#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Session;

// The two tables a year-end command rewrites, Acc_Opening and
// Acc_Accounting_Year, read whole: their columns, and every row with each
// value as the driver gave it (type, letter case and Null kept).
class LedgerSnapshot
{
public:
    struct Table
    {
        QString name;
        QStringList columns;
        QList<QVariantList> rows;
    };

    // Per year: the openings and the closings, debit positive.
    struct YearTotals
    {
        QVariant year;
        double openings = 0;
        double closings = 0;
    };

    LedgerSnapshot() = default;

    // Reads both tables on the session (two logged queries).
    static LedgerSnapshot read(Session& session);
    // The digest of Acc_Opening as it is now (one logged query), the same
    // digestOf() gives for a snapshot's openings read at the same moment.
    static QByteArray openingsDigest(Session& session);
    // SHA-256 (hex) of a table's columns and rows, each value with its
    // type, whatever the order the database returned the rows in.
    static QByteArray digestOf(const Table& table);

    const Table& openings() const noexcept { return m_openings; }
    const Table& years() const noexcept { return m_years; }

    // SHA-256 (hex) of the serialized tables: names, columns and every value
    // with its type. Equal checksums, equal tables.
    static QByteArray checksumOf(const QByteArray& serialized);
    QList<YearTotals> totals() const;
    // "year: openings / closings" a year, for the archive's record.
    QString totalsText() const;

    QByteArray serialize() const;
    // False when the bytes are no snapshot of this program's.
    static bool deserialize(const QByteArray& bytes, LedgerSnapshot& snapshot);

    // A column's position in a table, its name matched without regard to
    // letter case; -1 when it has none.
    static int column(const Table& table, const QString& name);

private:
    Table m_openings;
    Table m_years;
};
