#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// A Linux program started from a Windows test under Wine. Wine starts it
// but gives the Windows side neither its standard input and output nor a
// handle to wait on, so the program is told to write its ports into a file
// and to take its commands on a loopback connection (the TDS test server's
// --announce). Closing that connection stops the program; the destructor
// waits for the program to close its end, its work done.
class WineControlLine
{
public:
    // Starts the program with its arguments and --announce, and waits for
    // the announcement. Throws std::runtime_error when it does not come.
    WineControlLine(const QString& program, const QStringList& arguments,
                    const QString& announceFile, int startMs, int answerMs);
    ~WineControlLine();
    WineControlLine(const WineControlLine&) = delete;
    WineControlLine& operator=(const WineControlLine&) = delete;

    // The main port the program announced.
    int port() const { return m_port; }
    // Sends one command line and returns the answer line.
    QString command(const QString& line);

    // The Linux path of a Windows one, as Wine's kernel32 gives it; for a file
    // not made yet, that of its folder. Outside Wine the path as given.
    static QString hostPath(const QString& path);

private:
    QString readLine();

    std::uintptr_t m_socket;
    int m_port = 0;
    int m_answerMs;
    QByteArray m_pending;
};
