#include "tests/support/TdsServer.h"

#include "db/ConnectionString.h"
#include "db/Profile.h"
#ifdef Q_OS_WIN
#include "tests/support/WineControlLine.h"
#endif

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// The login a profile's connection string carries: USER:PASSWORD:DATABASE.
QString loginOf(Profile::Id id)
{
    const ConnectionString profile(Profile::prefix(id));
    return profile.user() + u':' + profile.password() + u':' + profile.catalog();
}

constexpr int kStartMs = 10000;
constexpr int kAnswerMs = 30000;

} // namespace

TdsServer::TdsServer(const QString& folder, const QStringList& extra, Logins logins)
    : m_log(m_logDir.filePath(QStringLiteral("batches.log")))
{
#ifdef Q_OS_WIN
    // A Linux program under Wine: it is given Linux paths and steered over
    // loopback.
    const auto hostPath = &WineControlLine::hostPath;
#else
    const auto hostPath = [](const QString& path) { return path; };
#endif
    QStringList arguments{QStringLiteral("--folder"), hostPath(folder), QStringLiteral("--log"),
                          hostPath(m_log)};
    if (logins == Logins::Profiles)
        arguments << QStringLiteral("--login") << loginOf(Profile::Id::Dosavine)
                  << QStringLiteral("--login") << loginOf(Profile::Id::Bindwell);
#ifdef Q_OS_WIN
    m_line = std::make_unique<WineControlLine>(serverPath(), arguments + extra,
                                               m_logDir.filePath(QStringLiteral("ports")), kStartMs,
                                               kAnswerMs);
    m_port = m_line->port();
#else
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(serverPath(), arguments + extra);
    if (!m_process.waitForStarted(kStartMs))
        fail(QStringLiteral("cannot start %1: %2").arg(serverPath(), m_process.errorString()));
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(kStartMs))
            fail(QStringLiteral("the TDS test server did not start (%1)")
                     .arg(m_process.state() == QProcess::NotRunning
                              ? QStringLiteral("exit %1").arg(m_process.exitCode())
                              : QStringLiteral("no answer")));
    }
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    bool ok = false;
    m_port = line.section(u' ', 1).toInt(&ok);
    if (!line.startsWith(QLatin1String("port ")) || !ok)
        fail(QStringLiteral("unexpected first line of the TDS test server: %1").arg(line));
#endif
}

TdsServer::~TdsServer()
{
#ifndef Q_OS_WIN
    // Closing its input stops the server; it ends its connections first.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(kAnswerMs)) {
        m_process.kill();
        m_process.waitForFinished();
    }
#endif
}

QString TdsServer::serverPath()
{
    return QString::fromUtf8(QH_TDS_SERVER);
}

QString TdsServer::serverName() const
{
    return QStringLiteral("127.0.0.1,%1").arg(m_port);
}

QString TdsServer::command(const QString& line)
{
#ifdef Q_OS_WIN
    return m_line->command(line);
#else
    m_process.write(line.toUtf8() + '\n');
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(kAnswerMs))
            fail(QStringLiteral("the TDS test server did not answer \"%1\"").arg(line));
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
#endif
}

qint64 TdsServer::count(const QString& what)
{
    const QStringList words = command(QStringLiteral("stats")).split(u' ');
    const qsizetype at = words.indexOf(what);
    if (at < 0 || at + 1 >= words.size())
        fail(QStringLiteral("no count of %1 from the TDS test server").arg(what));
    return words[at + 1].toLongLong();
}

qint64 TdsServer::requests()
{
    return count(QStringLiteral("requests"));
}

qint64 TdsServer::statements()
{
    return count(QStringLiteral("statements"));
}

QStringList TdsServer::statementsReceived() const
{
    QStringList statements;
    for (const QString& batch : batches())
        statements.append(batch.split(QStringLiteral(";\n")));
    return statements;
}

qint64 TdsServer::logins()
{
    return count(QStringLiteral("logins"));
}

qint64 TdsServer::encryptedLogins()
{
    return count(QStringLiteral("encrypted-logins"));
}

qint64 TdsServer::encryptedSessions()
{
    return count(QStringLiteral("encrypted-sessions"));
}

QStringList TdsServer::batches() const
{
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList batches;
    // One line a batch; the server writes a line break in a batch as \n and
    // a backslash as \\.
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        QString batch;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == u'\\' && i + 1 < line.size()) {
                batch.append(line[++i] == u'n' ? QChar(u'\n') : line[i]);
                continue;
            }
            batch.append(line[i]);
        }
        batches.append(batch);
    }
    return batches;
}
