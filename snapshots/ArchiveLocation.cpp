#include "snapshots/ArchiveLocation.h"

#include "core/Failure.h"
#include "db/LedgerIdentity.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

QString ArchiveLocation::folder()
{
    // The program's own data folder, the same for the window and its tools
    // whatever each executable is called: on Windows the user's local
    // AppData. QUILLHAVEN_DATA stands in for the user's data folder where a
    // site keeps its archives elsewhere.
    const QString chosen = qEnvironmentVariable("QUILLHAVEN_DATA");
    const QString data = chosen.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                             : chosen;
    return QDir(data).filePath(QStringLiteral("quillhaven/snapshots"));
}

namespace {

QString archiveName(const QString& profile, const QString& key)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
    QString readable = key;
    readable.replace(unsafe, QStringLiteral("_"));
    const QByteArray exact =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
    return QStringLiteral("%1-%2-%3.db").arg(profile, readable.left(60), QLatin1String(exact));
}

} // namespace

ArchiveLocation::Ledger ArchiveLocation::ledgerOf(Session& session, const QString& profile,
                                                  const QString& server)
{
    // A server too old to say what it is (no sys.databases) keeps its
    // archive by the name as typed, as before.
    try {
        return {profile, server, LedgerIdentity::of(session)};
    } catch (const Failure&) {
        return {profile, server, QStringLiteral("name:") + server};
    }
}

QString ArchiveLocation::namedPathFor(const QString& profile, const QString& server)
{
    return QDir(folder()).filePath(archiveName(profile, server));
}

QString ArchiveLocation::pathFor(const Ledger& ledger)
{
    QString path = QDir(folder()).filePath(QStringLiteral("ledger-") +
                                           archiveName(ledger.profile, ledger.identity));
    if (!QFileInfo::exists(path)) {
        const QString named = namedPathFor(ledger.profile, ledger.server);
        // A failed copy leaves a new archive to start; the old one stays.
        if (QFileInfo::exists(named) && QDir().mkpath(folder()))
            QFile::copy(named, path);
    }
    return path;
}
