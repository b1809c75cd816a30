#pragma once

#include <QHostAddress>
#include <QString>
#include <cstdint>

// The SQL Server Browser's answer to "which port is instance NAME on?" (a
// UDP datagram on port 1434), so that HOST\INSTANCE resolves in tests.
class SqlBrowser
{
public:
    // Binds the UDP port; false (with errno set) when it cannot.
    bool listen(const QHostAddress& address, uint16_t port);
    // Answers queries for the instance, with its TCP port, until the process
    // ends. Runs on the calling thread.
    void serve(const QString& instance, uint16_t tcpPort);

    // The answer's text for one instance.
    static QByteArray answer(const QString& host, const QString& instance, uint16_t tcpPort);

private:
    int m_fd = -1;
};
