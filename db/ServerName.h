#pragma once

#include <QString>

// A SQL Server name as an operator types it, read the way SQL Server's own
// clients read it: HOST, HOST\INSTANCE, HOST,PORT, tcp:HOST,PORT, an IP
// address, localhost, and "(local)" or "." for this machine, each also with
// an instance. A name with neither port nor instance is the default
// instance on port 1433; a port, where given, wins over an instance.
class ServerName
{
public:
    explicit ServerName(const QString& typed);

    bool isValid() const { return m_problem.isEmpty(); }
    // Why the name cannot be used, in words for the operator; empty when it
    // can.
    const QString& problem() const { return m_problem; }

    // The host to reach: "(local)" and "." become "localhost".
    const QString& host() const { return m_host; }
    // The TCP port: the one typed, else 1433 for a default instance, else 0
    // (a named instance, whose port the SQL Server Browser tells).
    int port() const { return m_port; }
    // The instance name; empty for the default instance or when a port is
    // given.
    const QString& instance() const { return m_instance; }

    static constexpr int DefaultPort = 1433;

private:
    bool fail(const QString& problem);
    bool readPort(const QString& text);
    bool readInstance(const QString& text);
    bool readHost(const QString& text);

    QString m_typed;
    QString m_problem;
    QString m_host;
    QString m_instance;
    int m_port = 0;
};
