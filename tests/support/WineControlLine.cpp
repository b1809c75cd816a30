#include "tests/support/WineControlLine.h"

#ifdef Q_OS_WIN

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <stdexcept>
#include <winsock2.h>

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// "port N" and "control M", once the file is there and whole.
bool readAnnouncement(const QString& path, int& port, int& controlPort)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    bool portOk = false;
    bool controlOk = false;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("port ")))
            port = line.mid(5).toInt(&portOk);
        else if (line.startsWith(QLatin1String("control ")))
            controlPort = line.mid(8).toInt(&controlOk);
    }
    return portOk && controlOk;
}

struct Winsock
{
    Winsock()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

} // namespace

WineControlLine::WineControlLine(const QString& program, const QStringList& arguments,
                                 const QString& announceFile, int startMs, int answerMs)
    : m_socket(INVALID_SOCKET), m_answerMs(answerMs)
{
    static const Winsock winsock;
    if (!QProcess::startDetached(
            program, arguments + QStringList{QStringLiteral("--announce"), hostPath(announceFile)}))
        fail(QStringLiteral("cannot start %1").arg(program));
    int controlPort = 0;
    QElapsedTimer waited;
    waited.start();
    while (!readAnnouncement(announceFile, m_port, controlPort)) {
        if (waited.elapsed() > startMs)
            fail(QStringLiteral("%1 did not announce its ports").arg(program));
        QThread::msleep(20);
    }
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(controlPort));
    if (::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fail(QStringLiteral("cannot reach the control port of %1").arg(program));
    const DWORD timeout = DWORD(m_answerMs);
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout);
}

WineControlLine::~WineControlLine()
{
    if (m_socket == INVALID_SOCKET)
        return;
    // The program ends when its input does, and closes its end last.
    ::shutdown(m_socket, SD_SEND);
    char rest[256];
    while (::recv(m_socket, rest, sizeof rest, 0) > 0) {
    }
    ::closesocket(m_socket);
}

QString WineControlLine::command(const QString& line)
{
    const QByteArray text = line.toUtf8() + '\n';
    if (::send(m_socket, text.constData(), int(text.size()), 0) != int(text.size()))
        fail(QStringLiteral("cannot send \"%1\" to the TDS test server").arg(line));
    const QString answer = readLine();
    if (answer.isNull())
        fail(QStringLiteral("the TDS test server did not answer \"%1\"").arg(line));
    return answer;
}

QString WineControlLine::readLine()
{
    for (;;) {
        const qsizetype end = m_pending.indexOf('\n');
        if (end >= 0) {
            const QString line = QString::fromUtf8(m_pending.left(end)).trimmed();
            m_pending.remove(0, end + 1);
            return line;
        }
        char buffer[512];
        const int got = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            return {};
        m_pending.append(buffer, got);
    }
}

QString WineControlLine::hostPath(const QString& path)
{
    using UnixName = char*(__cdecl*)(const wchar_t*);
    static const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    const QFileInfo info(path);
    if (!unixName)
        return path;
    if (!info.exists())
        return hostPath(info.absolutePath()) + u'/' + info.fileName();
    const std::wstring native = QDir::toNativeSeparators(info.absoluteFilePath()).toStdWString();
    char* name = unixName(native.c_str());
    if (!name)
        return path;
    const QString converted = QString::fromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return converted;
}

#endif
