#include "db/SqliteFile.h"

#include "db/SqlDialect.h"

#include <QAtomicInteger>
#include <QSqlError>

SqliteFile::SqliteFile(const QString& path, Mode mode)
{
    static QAtomicInteger<quint64> counter;
    m_name = QStringLiteral("quillhaven-file-%1").arg(counter.fetchAndAddRelaxed(1));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(
        mode == Mode::ReadOnly
            ? QStringLiteral("QSQLITE_OPEN_READONLY")
            : QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqlDialect::BusyTimeoutMs));
}

SqliteFile::~SqliteFile()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool SqliteFile::open()
{
    return m_db.open();
}

QString SqliteFile::error() const
{
    return m_db.lastError().text();
}
