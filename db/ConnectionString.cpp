#include "db/ConnectionString.h"

#include "db/OdbcDrivers.h"
#include "db/ServerName.h"
#include "db/SqlDialect.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kDataSource = QStringLiteral("Data Source");
const QString kNativeScheme = QStringLiteral("sqlite:");
const QString kOdbcScheme = QStringLiteral("sqliteodbc:");

bool isFreeTds(const QString& driver)
{
    return driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive);
}

} // namespace

ConnectionString::ConnectionString(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf(u';', pos);
        if (end < 0)
            end = text.size();
        const qsizetype eq = text.indexOf(u'=', pos);
        if (eq < 0)
            break;
        if (eq > end) {
            // A piece without "=": nothing to take from it.
            pos = end + 1;
            continue;
        }
        const QString key = text.mid(pos, eq - pos).trimmed();
        if (key.compare(kDataSource, Qt::CaseInsensitive) == 0) {
            // The operator's server name is appended to the prefix as typed,
            // so everything after "Data Source=" is that name: a ";" or "="
            // in it must not start keys of its own.
            m_pairs.append({key, text.mid(eq + 1)});
            break;
        }
        if (!key.isEmpty())
            m_pairs.append({key, text.mid(eq + 1, end - eq - 1)});
        pos = end + 1;
    }
}

QString ConnectionString::value(const QString& key) const
{
    for (const auto& [k, v] : m_pairs) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

bool ConnectionString::isEmbedded() const
{
    return server().startsWith(kNativeScheme, Qt::CaseInsensitive);
}

bool ConnectionString::isEmbeddedName(const QString& server)
{
    return server.startsWith(kNativeScheme, Qt::CaseInsensitive) ||
           server.startsWith(kOdbcScheme, Qt::CaseInsensitive);
}

bool ConnectionString::isEmbeddedViaOdbc() const
{
    return server().startsWith(kOdbcScheme, Qt::CaseInsensitive);
}

QString ConnectionString::embeddedFolder() const
{
    if (isEmbedded())
        return server().mid(kNativeScheme.size());
    if (isEmbeddedViaOdbc())
        return server().mid(kOdbcScheme.size());
    return {};
}

QString ConnectionString::embeddedFile() const
{
    const QString folder = embeddedFolder();
    if (folder.isEmpty())
        return {};
    // Absolute in full: on Windows a folder from the root gets the current
    // drive's letter.
    return QDir::cleanPath(
        QFileInfo(QDir(folder).filePath(catalog() + QStringLiteral(".db"))).absoluteFilePath());
}

QString ConnectionString::odbcForSqlServer(const QString& driver, int queryTimeoutSeconds,
                                           int lockTimeoutSeconds) const
{
    const ServerName name(server());
    if (!name.isValid())
        return {};
    const bool freeTds = isFreeTds(driver);
    // The legacy driver every Windows has knows neither the tcp: prefix nor
    // the encryption keywords of Microsoft's newer ones.
    const bool legacy =
        driver.compare(QLatin1String(OdbcDrivers::Legacy), Qt::CaseInsensitive) == 0;
    QString target;
    if (!name.instance().isEmpty())
        target = name.host() + u'\\' + name.instance();
    else if (freeTds)
        target = name.host();
    else if (legacy)
        target = QStringLiteral("%1,%2").arg(name.host()).arg(name.port());
    else
        target = QStringLiteral("tcp:%1,%2").arg(name.host()).arg(name.port());
    QString result = QStringLiteral("DRIVER=") + braceQuoted(driver) + QStringLiteral(";SERVER=") +
                     braceQuoted(target);
    // FreeTDS takes the port apart; without one it finds none in Debian's
    // configuration and refuses with "invalid port number".
    if (freeTds && name.instance().isEmpty())
        result += QStringLiteral(";Port=") + QString::number(name.port());
    result += QStringLiteral(";DATABASE=") + braceQuoted(catalog()) + QStringLiteral(";UID=") +
              braceQuoted(user()) + QStringLiteral(";PWD=") + braceQuoted(password());
    if (freeTds) {
        // Pinned, because the automatic choice falls back to the Sybase
        // protocol after a silent server times out and then hangs in the
        // disconnect. An older server answers the login with the version it
        // speaks.
        // A request the server never answers gives up after the timeout,
        // as the old provider's commands did after 30 seconds. FreeTDS
        // waits its timeout once for the answer and once more for the
        // answer to its cancel, so it gets half; but never less than a lock
        // wait, whose end the server reports itself.
        int wait = (queryTimeoutSeconds + 1) / 2;
        if (lockTimeoutSeconds > 0)
            wait = std::max(wait, lockTimeoutSeconds + 2);
        // "request": the login encrypted where the server has a certificate,
        // the whole session where it forces encryption; FreeTDS checks the
        // certificate only where its configuration names the authorities.
        result += QStringLiteral(";TDS_Version=7.4;ClientCharset=UTF-8;Encryption=request;"
                                 "Timeout=") +
                  QString::number(wait);
    } else if (legacy) {
        // TCP/IP, as the other drivers are told by the tcp: prefix.
        result += QStringLiteral(";Network=DBMSSOCN");
    } else {
        // The old provider neither required encryption nor checked the
        // server's certificate; Microsoft's newer drivers (18 above all)
        // default to both.
        result += QStringLiteral(";Encrypt=no;TrustServerCertificate=yes");
    }
    return result;
}

QString ConnectionString::odbcForSqlite() const
{
    const QString file = embeddedFile();
    if (file.isEmpty() || file.contains(u';'))
        return {};
    // NoCreat: a missing ledger must fail, never come back as an empty file.
    // The driver waits out its busy timeout twice before a write gives up,
    // so it gets half of the session's.
    return QStringLiteral("DRIVER={SQLite3};Database=") + file +
           QStringLiteral(";NoCreat=1;Timeout=") + QString::number(SqlDialect::BusyTimeoutMs / 2);
}

QString ConnectionString::braceQuoted(const QString& value)
{
    QString result = value;
    result.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + result + u'}';
}
