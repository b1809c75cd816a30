#include "db/SqliteFile.h"

#include "db/DriverFailure.h"
#include "db/SqlDialect.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

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

void SqliteFile::checkLedger(const QString& file)
{
    const auto missing = [](const QString& what) {
        return Failure(Failure::E_FAIL, what, Failure::Kind::LedgerFile);
    };
    if (file.isEmpty())
        throw missing(QStringLiteral("No ledger folder follows the scheme of the server name."));
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (folder.isFile())
        throw missing(QStringLiteral("%1 is a file, not a folder: the server name names the "
                                     "folder that holds the ledger files (%2).")
                          .arg(QDir::toNativeSeparators(folder.filePath()),
                               QDir::toNativeSeparators(folder.absolutePath())));
    if (!folder.isDir())
        throw missing(QStringLiteral("The ledger folder %1 does not exist.")
                          .arg(QDir::toNativeSeparators(folder.filePath())));
    if (!folder.isReadable() || !folder.isExecutable())
        throw missing(QStringLiteral("The ledger folder %1 cannot be read.")
                          .arg(QDir::toNativeSeparators(folder.filePath())));
    if (!info.exists())
        throw missing(QStringLiteral("The ledger file %1 does not exist.")
                          .arg(QDir::toNativeSeparators(file)));
    if (!info.isFile() || !info.isReadable())
        throw missing(QStringLiteral("The ledger file %1 cannot be read.")
                          .arg(QDir::toNativeSeparators(file)));
}

QString SqliteFile::noCreateUri(const QString& file)
{
    return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw");
}

std::optional<Failure> SqliteFile::probeLedger(QSqlDatabase& db, const QString& file)
{
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next())
        return DriverFailure::atFileOpen(probe.lastError(), file);
    if (probe.value(0).toInt() == 0)
        return DriverFailure::holdsNoTables(file);
    return std::nullopt;
}
