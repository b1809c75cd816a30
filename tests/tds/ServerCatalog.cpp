#include "tests/tds/ServerCatalog.h"

#include "tests/tds/LedgerDatabase.h"
#include "tests/tds/TableRules.h"

#include <sqlite3.h>

namespace {

struct Version
{
    int year;
    quint32 tds;
    unsigned char product[4];
    const char* text;
};

constexpr Version kVersions[] = {
    {2000, 0x71000001, {8, 0, 0x07, 0xF7}, "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86)"},
    {2005, 0x72090002, {9, 0, 0x13, 0x88}, "Microsoft SQL Server 2005 - 9.00.5000.00 (X64)"},
    {2008, 0x730B0003, {10, 50, 0x17, 0x70}, "Microsoft SQL Server 2008 R2 - 10.50.6000.34 (X64)"},
    {2019, 0x74000004, {15, 0, 0x07, 0xD0}, "Microsoft SQL Server 2019 - 15.0.2000.5 (X64)"},
    {2022, 0x74000004, {16, 0, 0x03, 0xE8}, "Microsoft SQL Server 2022 - 16.0.1000.6 (X64)"}};

const Version& of(int year)
{
    for (const Version& version : kVersions) {
        if (version.year == year)
            return version;
    }
    return kVersions[std::size(kVersions) - 1];
}

QString literal(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// COLUMNPROPERTY(id, column, 'IsIdentity' | 'IsComputed'): 1 or 0, Null for
// a column or a property it does not know.
void columnProperty(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* rules = static_cast<const TableRules*>(sqlite3_user_data(context));
    const int id = sqlite3_value_int(argv[0]);
    const QString column = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), sqlite3_value_bytes(argv[1]));
    const QString property = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[2])), sqlite3_value_bytes(argv[2]));
    for (const TableRules::Table& table : rules->tables()) {
        if (table.objectId != id)
            continue;
        for (const TableRules::Column& c : table.columns) {
            if (c.name.compare(column, Qt::CaseInsensitive) != 0)
                continue;
            if (property.compare(QLatin1String("IsIdentity"), Qt::CaseInsensitive) == 0)
                return sqlite3_result_int(context, c.identity ? 1 : 0);
            if (property.compare(QLatin1String("IsComputed"), Qt::CaseInsensitive) == 0)
                return sqlite3_result_int(context, c.computed ? 1 : 0);
        }
    }
    sqlite3_result_null(context);
}

} // namespace

bool ServerCatalog::isKnown(int version)
{
    return std::any_of(std::begin(kVersions), std::end(kVersions),
                       [version](const Version& v) { return v.year == version; });
}

quint32 ServerCatalog::tdsVersion(int version)
{
    return of(version).tds;
}

QByteArray ServerCatalog::productVersion(int version)
{
    return QByteArray(reinterpret_cast<const char*>(of(version).product), 4);
}

QString ServerCatalog::versionText(int version)
{
    return QString::fromLatin1(of(version).text) + QStringLiteral(" (Quillhaven TDS test server)");
}

void ServerCatalog::install(LedgerDatabase& ledger, sqlite3* db, const QString& catalog, int id,
                            const QDateTime& born, int version)
{
    const TableRules& rules = ledger.rules();
    sqlite3_create_function(db, "columnproperty", 3, SQLITE_UTF8, const_cast<TableRules*>(&rules),
                            columnProperty, nullptr, nullptr);
    const QString created = born.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    // The database's one row: its name, id and creation date.
    const auto databases = [&](const QString& table, const QString& columns) {
        ledger.run(QStringLiteral("CREATE TABLE %1(%2)").arg(table, columns));
        ledger.run(QStringLiteral("INSERT INTO %1 VALUES(%2, %3, '%4')")
                       .arg(table, literal(catalog))
                       .arg(id)
                       .arg(created));
    };
    // master..sysdatabases reaches this as qh_master.sysdatabases; a bare
    // syscolumns finds it here too, the main and temp schemas having none.
    ledger.run(QStringLiteral("ATTACH DATABASE ':memory:' AS qh_master"));
    databases(QStringLiteral("qh_master.sysdatabases"),
              QStringLiteral("name NVARCHAR(128), dbid SMALLINT, crdate DATETIME"));
    ledger.run(QStringLiteral("CREATE TABLE qh_master.syscolumns(id INT, name NVARCHAR(128), colid "
                              "SMALLINT, xtype TINYINT)"));
    const bool catalogViews = version >= 2005;
    if (catalogViews) {
        ledger.run(QStringLiteral("ATTACH DATABASE ':memory:' AS sys"));
        databases(QStringLiteral("sys.databases"),
                  QStringLiteral("name NVARCHAR(128), database_id INT, create_date DATETIME"));
        ledger.run(QStringLiteral("CREATE TABLE sys.columns(object_id INT, name NVARCHAR(128), "
                                  "column_id INT, system_type_id INT, is_identity INT, "
                                  "is_computed INT)"));
    }
    for (const TableRules::Table& table : rules.tables()) {
        for (qsizetype c = 0; c < table.columns.size(); ++c) {
            const TableRules::Column& column = table.columns[c];
            const int type = TableRules::systemTypeId(column.declared);
            ledger.run(QStringLiteral("INSERT INTO qh_master.syscolumns VALUES(%1, %2, %3, %4)")
                           .arg(table.objectId)
                           .arg(literal(column.name))
                           .arg(c + 1)
                           .arg(type));
            if (catalogViews)
                ledger.run(QStringLiteral("INSERT INTO sys.columns VALUES(%1, %2, %3, %4, %5, %6)")
                               .arg(table.objectId)
                               .arg(literal(column.name))
                               .arg(c + 1)
                               .arg(type)
                               .arg(column.identity ? 1 : 0)
                               .arg(column.computed ? 1 : 0));
        }
    }
}
