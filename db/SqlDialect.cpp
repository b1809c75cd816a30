#include "db/SqlDialect.h"

#include <algorithm>
#include <iterator>

qsizetype SqlDialect::uncarriable(const QString& sql) const
{
    if (m_kind == Kind::Sqlite && m_access == Access::Native)
        return -1;
    if (m_kind == Kind::Sqlite) {
        for (qsizetype i = 0; i < sql.size(); ++i) {
            if (QChar::isSurrogate(sql[i].unicode()))
                return i;
        }
        return -1;
    }
    bool inLiteral = false;
    bool unicode = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const char16_t c = sql[i].unicode();
        if (c == u'\'') {
            if (!inLiteral) {
                inLiteral = true;
                unicode = i > 0 && (sql[i - 1] == u'N' || sql[i - 1] == u'n') &&
                          (i < 2 || !(sql[i - 2].isLetterOrNumber() || sql[i - 2] == u'_'));
            } else if (i + 1 < sql.size() && sql[i + 1] == u'\'') {
                ++i; // a doubled quote stands for itself
            } else {
                inLiteral = false;
            }
            continue;
        }
        if (!(inLiteral && unicode) && !inWindows1252(c))
            return i;
    }
    return -1;
}

bool SqlDialect::inWindows1252(char16_t c)
{
    // Latin-1 but for 0x80..0x9F, where Windows-1252 has these instead.
    static constexpr char16_t kHigh[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                         0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                         0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return true;
    return std::find(std::begin(kHigh), std::end(kHigh), c) != std::end(kHigh);
}

QString SqlDialect::idKey(const QString& id) const
{
    if (m_kind == Kind::SqlServer) {
        qsizetype size = id.size();
        while (size > 0 && id[size - 1] == u' ')
            --size;
        return id.left(size).toCaseFolded();
    }
    QString key = id;
    for (QChar& c : key) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return key;
}

QString SqlDialect::procedureSource(const QString& name) const
{
    if (m_kind == Kind::SqlServer)
        return name;
    return QStringLiteral("SELECT * FROM ") + name;
}

QString SqlDialect::columnsQuery(const QString& table) const
{
    QString name = table;
    name.replace(u'\'', QStringLiteral("''"));
    if (m_kind == Kind::SqlServer)
        // The compatibility view, which SQL Server has from 2000 on, where
        // sys.columns came with 2005. 189: rowversion (timestamp).
        return QStringLiteral("SELECT name, COLUMNPROPERTY(id, name, 'IsIdentity'), CASE WHEN "
                              "COLUMNPROPERTY(id, name, 'IsComputed')=1 OR xtype=189 THEN 1 ELSE "
                              "0 END FROM syscolumns WHERE id=OBJECT_ID('%1') ORDER BY colid")
            .arg(name);
    return QStringLiteral("SELECT name, 0, CASE WHEN hidden IN (2,3) THEN 1 ELSE 0 END FROM "
                          "pragma_table_xinfo('%1') ORDER BY cid")
        .arg(name);
}
