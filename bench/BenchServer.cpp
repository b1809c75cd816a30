#include "bench/BenchServer.h"

#include "db/ConnectionString.h"
#include "db/Profile.h"

namespace {

constexpr int kWaitMs = 30000;

} // namespace

BenchServer::BenchServer(const QString& folder)
{
    const ConnectionString profile(Profile::prefix(Profile::Id::Dosavine));
    const QString login = profile.user() + u':' + profile.password() + u':' + profile.catalog();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QH_TDS_SERVER),
                    {QStringLiteral("--folder"), folder, QStringLiteral("--login"), login});
    if (!m_process.waitForStarted(kWaitMs)) {
        m_error = m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.waitForReadyRead(kWaitMs)) {
    }
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    if (line.startsWith(QLatin1String("port ")))
        m_port = line.mid(5).toInt();
    else
        m_error = QStringLiteral("the TDS test server did not start: ") + line;
}

BenchServer::~BenchServer()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(kWaitMs))
        m_process.kill();
    m_process.waitForFinished();
}

QString BenchServer::serverName() const
{
    return QStringLiteral("127.0.0.1,%1").arg(m_port);
}

QString BenchServer::command(const QString& line)
{
    m_process.write(line.toUtf8() + '\n');
    while (!m_process.canReadLine() && m_process.waitForReadyRead(kWaitMs)) {
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

void BenchServer::setDelayMs(int ms)
{
    command(QStringLiteral("delay %1").arg(ms));
}

long long BenchServer::requests()
{
    // "requests R statements S connections C logins L"
    return command(QStringLiteral("stats")).section(u' ', 1, 1).toLongLong();
}
