#pragma once

#include <QProcess>
#include <QString>

// The TDS test server over a ledger folder, for measuring the year-end with
// SQL Server's wire in it: every request crosses loopback TCP, and a delay
// per request stands for a network's round trip.
class BenchServer
{
public:
    explicit BenchServer(const QString& folder);
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    bool isRunning() const { return m_port > 0; }
    QString error() const { return m_error; }
    // The name to type into the window: "127.0.0.1,PORT".
    QString serverName() const;

    void setDelayMs(int ms);
    // Requests served so far.
    long long requests();

private:
    QString command(const QString& line);

    QProcess m_process;
    QString m_error;
    int m_port = 0;
};
