#pragma once

#include "core/Failure.h"
#include "db/SqliteFile.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <optional>

// One connection to a snapshot archive's file for one call; closed and
// removed whatever happens. Every failure is numbered Failure::FileAccess
// and names the file.
class ArchiveFile
{
public:
    // create: make the file where it is missing; otherwise a missing file
    // is left alone and exists() is false.
    ArchiveFile(const QString& path, bool create);
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    bool exists() const { return m_file.has_value(); }
    QSqlDatabase& db() { return m_file->db(); }

    // Runs a statement; doing is what failed, as the operator reads it
    // ("cannot be read").
    QSqlQuery run(const QString& sql, const QString& doing);
    [[noreturn]] void fail(const QString& what, const QString& why) const;
    static Failure failure(const QString& path, const QString& what);

    // A write for the life of a scope: the file's write lock taken at its
    // start (a plain BEGIN would read, then find the lock taken and fail at
    // once instead of waiting), kept by commit(), rolled back on every other
    // way out.
    class Write
    {
    public:
        explicit Write(ArchiveFile& file);
        ~Write();
        Write(const Write&) = delete;
        Write& operator=(const Write&) = delete;
        void commit();

    private:
        ArchiveFile& m_file;
        bool m_open = true;
    };

private:
    QString m_path;
    std::optional<SqliteFile> m_file;
};
