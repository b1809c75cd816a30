#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class WineControlLine;

// The TDS test server for one test: started on a free loopback port over a
// folder of ledgers, accepting the two profiles' logins for their own
// databases, and stopped with the object (its connections roll back what
// they left open). Failures to start throw std::runtime_error.
class TdsServer
{
public:
    enum class Logins
    {
        Profiles, // the two profiles, each for its own database
        OnlyExtra // only the --login options among extra
    };

    // extra: further server options (--port, --instance, --host,
    // --login USER:PASSWORD:DATABASE, ...).
    explicit TdsServer(const QString& folder, const QStringList& extra = {},
                       Logins logins = Logins::Profiles);
    ~TdsServer();
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    int port() const { return m_port; }
    // "127.0.0.1,PORT", as an operator types a server with its port.
    QString serverName() const;

    // One control command ("delay 5", "drop 3", "hang 1", "mute on",
    // "nocount on" (the server's user options, for connections from then),
    // "reset", "disconnect"); returns the server's answer line.
    QString command(const QString& line);
    // Requests and statements served since the start or the last "reset".
    qint64 requests();
    qint64 statements();
    // Logins accepted since the start or the last "reset"; of those, the
    // logins that came inside TLS, and the sessions that stayed inside it.
    qint64 logins();
    qint64 encryptedLogins();
    qint64 encryptedSessions();

    // The texts of every batch received so far, in order.
    QStringList batches() const;
    // The statements of those batches, in order: the program joins the
    // statements of one request with ";" and a line break.
    QStringList statementsReceived() const;

    static QString serverPath();

private:
    qint64 count(const QString& what);

    QTemporaryDir m_logDir;
    QString m_log;
#ifdef Q_OS_WIN
    std::unique_ptr<WineControlLine> m_line;
#else
    QProcess m_process;
#endif
    int m_port = 0;
};
