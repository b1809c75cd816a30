#include "snapshots/ArchiveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

ArchiveFile::ArchiveFile(const QString& path, bool create) : m_path(path)
{
    if (!create && !QFileInfo::exists(path))
        return;
    // Two programs writing one archive at once: the second waits its turn.
    m_file.emplace(path, create ? SqliteFile::Mode::ReadWrite : SqliteFile::Mode::ReadOnly);
    if (!m_file->open())
        fail(create ? QStringLiteral("cannot be written") : QStringLiteral("cannot be read"),
             m_file->error());
    QSqlQuery probe(m_file->db());
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        fail(QStringLiteral("is damaged or no SQLite file"), probe.lastError().text());
}

QSqlQuery ArchiveFile::run(const QString& sql, const QString& doing)
{
    QSqlQuery query(db());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        fail(doing, query.lastError().text());
    return query;
}

void ArchiveFile::fail(const QString& what, const QString& why) const
{
    throw failure(m_path, what + QStringLiteral(": ") + why);
}

Failure ArchiveFile::failure(const QString& path, const QString& what)
{
    return Failure(
        Failure::FileAccess,
        QStringLiteral("The snapshot archive %1 %2").arg(QDir::toNativeSeparators(path), what),
        Failure::Kind::OwnFile);
}

ArchiveFile::Write::Write(ArchiveFile& file) : m_file(file)
{
    m_file.run(QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("cannot be written"));
}

ArchiveFile::Write::~Write()
{
    if (m_open)
        QSqlQuery(m_file.db()).exec(QStringLiteral("ROLLBACK"));
}

void ArchiveFile::Write::commit()
{
    m_file.run(QStringLiteral("COMMIT"), QStringLiteral("cannot be written"));
    m_open = false;
}
