// quillhaven-tds-server: a TDS test server. It speaks SQL Server's wire
// protocol (pre-login, LOGIN7, SQL batches, transaction requests) and keeps
// the data in the SQLite ledgers of a folder, one file per catalog. Tests
// start it, read "port N" from its standard output, steer it with commands
// on its standard input and stop it by closing that input.
//
// A Windows program under Wine can start a Linux program but not reach its
// standard input and output. With --announce FILE the server writes "port N"
// and "control M" into FILE instead, takes one connection on the loopback
// port M and reads its commands from there; closing it stops the server.

#include "tests/tds/ClientSession.h"
#include "tests/tds/ServerCatalog.h"
#include "tests/tds/ServerControl.h"
#include "tests/tds/SqlBrowser.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <mutex>
#include <netinet/in.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<int> g_active{0};
std::atomic<uint16_t> g_nextSpid{51};
std::mutex g_clientsMutex;
std::set<int> g_clients;

int listenOn(const QHostAddress& address, uint16_t port, uint16_t& bound)
{
    const int fd = TdsSocket::bindTo(SOCK_STREAM, address.toIPv4Address(), port, bound);
    if (fd >= 0 && ::listen(fd, 64) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

void acceptLoop(int listener, ServerControl& control)
{
    for (;;) {
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, 1 /* TCP_NODELAY */, &on, sizeof on);
        {
            const std::lock_guard lock(g_clientsMutex);
            g_clients.insert(fd);
        }
        ++g_active;
        std::thread([fd, &control] {
            ClientSession(fd, g_nextSpid++, control).run();
            {
                const std::lock_guard lock(g_clientsMutex);
                g_clients.erase(fd);
            }
            --g_active;
        }).detach();
    }
}

// Ends every connection (each rolls back what it left open) and waits for
// them, so that the ledger files are whole when the process is gone.
void closeClients()
{
    {
        const std::lock_guard lock(g_clientsMutex);
        for (const int fd : g_clients)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (int i = 0; i < 500 && g_active > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Writes "port N" and "control M" into a file, whole or not at all: the
// program that waits for it reads it once it exists.
bool announcePorts(const QString& path, uint16_t port, uint16_t controlPort)
{
    QFile file(path + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("port %1\ncontrol %2\n").arg(port).arg(controlPort).toUtf8());
    file.close();
    return QFile::rename(file.fileName(), path);
}

// One line of the control connection, without its end; false once it ends.
bool readLineFrom(int fd, std::string& pending, std::string& line)
{
    for (;;) {
        const auto end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        char buffer[512];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        pending.append(buffer, std::size_t(got));
    }
}

// "off" (no certificate), "login" or "all"; false for anything else.
bool encryptionOf(const QString& word, ServerControl::Encryption& encryption)
{
    using E = ServerControl::Encryption;
    static const QList<QPair<QString, E>> words{{QStringLiteral("off"), E::None},
                                                {QStringLiteral("login"), E::Login},
                                                {QStringLiteral("all"), E::Whole}};
    for (const auto& [name, value] : words) {
        if (word == name) {
            encryption = value;
            return true;
        }
    }
    return false;
}

QString answer(ServerControl& control, const QString& line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    const int number = words.value(1).toInt();
    if (verb == QLatin1String("delay"))
        control.setDelayMs(number);
    else if (verb == QLatin1String("drop"))
        control.dropAt(number);
    else if (verb == QLatin1String("lose"))
        control.loseAt(number);
    else if (verb == QLatin1String("hang"))
        control.hangAt(number);
    else if (verb == QLatin1String("deadlock"))
        control.deadlockAt(number);
    else if (verb == QLatin1String("mute"))
        control.setMute(words.value(1) == QLatin1String("on"));
    else if (verb == QLatin1String("nocount"))
        control.setNoCountByDefault(words.value(1) == QLatin1String("on"));
    else if (verb == QLatin1String("versioning"))
        control.setRowVersioning(words.value(1) == QLatin1String("on"));
    else if (verb == QLatin1String("triggercounts"))
        control.setTriggerCountsApart(words.value(1) == QLatin1String("apart"));
    else if (ServerControl::Encryption e;
             verb == QLatin1String("encryption") && encryptionOf(words.value(1), e))
        control.setEncryption(e);
    else if (verb == QLatin1String("stats"))
        return control.stats();
    else if (verb == QLatin1String("reset"))
        control.resetCounts();
    else if (verb == QLatin1String("disconnect"))
        closeClients();
    else
        return QStringLiteral("unknown command: ") + line;
    return QStringLiteral("ok");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TDS test server over SQLite ledgers."));
    parser.addHelpOption();
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Folder of ledger files, CATALOG.db each."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("IPv4 address to bind."),
                                  QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port, 0 for any."),
                                  QStringLiteral("PORT"), QStringLiteral("0"));
    const QCommandLineOption instance(QStringLiteral("instance"),
                                      QStringLiteral("Instance name the browser answers for."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption browserPort(QStringLiteral("browser-port"),
                                         QStringLiteral("UDP port of the browser."),
                                         QStringLiteral("PORT"), QStringLiteral("1434"));
    const QCommandLineOption login(QStringLiteral("login"),
                                   QStringLiteral("An accepted login, USER:PASSWORD:DATABASE."),
                                   QStringLiteral("LOGIN"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append every batch received to FILE."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption announce(
        QStringLiteral("announce"),
        QStringLiteral("Write the ports into FILE and take commands on the control port."),
        QStringLiteral("FILE"));
    const QCommandLineOption encryption(
        QStringLiteral("encryption"),
        QStringLiteral("What the server's self-signed certificate encrypts: off (no "
                       "certificate), login (the default, as an ordinary install) or all (as a "
                       "server set to force encryption)."),
        QStringLiteral("MODE"), QStringLiteral("login"));
    const QCommandLineOption version(
        QStringLiteral("version"),
        QStringLiteral("The SQL Server the server is: 2000 (TDS 7.1, no sys. catalog views), "
                       "2005 (TDS 7.2), 2008 (R2, TDS 7.3), 2019 or 2022 (the default)."),
        QStringLiteral("YEAR"), QStringLiteral("2022"));
    const QCommandLineOption schema(QStringLiteral("schema"),
                                    QStringLiteral("The logins' default schema, which holds the "
                                                   "ledger's tables (dbo unless given)."),
                                    QStringLiteral("NAME"), QStringLiteral("dbo"));
    const QCommandLineOption collation(
        QStringLiteral("collation"),
        QStringLiteral("The databases' collation; one with _CS or _BIN matches table and column "
                       "names only in their exact letter case."),
        QStringLiteral("NAME"), QStringLiteral("SQL_Latin1_General_CP1_CI_AS"));
    const QCommandLineOption rowVersioning(
        QStringLiteral("row-versioning"),
        QStringLiteral("READ_COMMITTED_SNAPSHOT on: reads take no locks."));
    parser.addOptions({folder, host, port, instance, browserPort, login, log, announce, encryption,
                       version, schema, collation, rowVersioning});
    parser.process(app);

    ServerControl control;
    if (ServerControl::Encryption e; encryptionOf(parser.value(encryption), e)) {
        control.setEncryption(e);
    } else {
        std::cerr << "quillhaven-tds-server: --encryption takes off, login or all\n";
        return 2;
    }
    control.version = parser.value(version).toInt();
    if (!ServerCatalog::isKnown(control.version)) {
        std::cerr << "quillhaven-tds-server: --version takes 2000, 2005, 2008, 2019 or 2022\n";
        return 2;
    }
    control.defaultSchema = parser.value(schema);
    control.collation = parser.value(collation);
    control.setRowVersioning(parser.isSet(rowVersioning));
    control.folder = parser.value(folder);
    if (control.folder.isEmpty() || !QDir(control.folder).exists()) {
        std::cerr << "quillhaven-tds-server: --folder must name an existing folder\n";
        return 2;
    }
    for (const QString& text : parser.values(login)) {
        const QStringList parts = text.split(QLatin1Char(':'));
        if (parts.size() != 3) {
            std::cerr << "quillhaven-tds-server: --login takes USER:PASSWORD:DATABASE\n";
            return 2;
        }
        control.logins.append({parts[0], parts[1], parts[2]});
    }
    control.setLogFile(parser.value(log));
    // The ledgers become the server's at its start: their indexes are put
    // in the order of its collation now, not at some client's first login.
    for (const QString& name :
         QDir(control.folder).entryList({QStringLiteral("*.db")}, QDir::Files)) {
        QString why;
        LedgerDatabase::open(QDir(control.folder).filePath(name), why);
    }

    const QHostAddress address(parser.value(host));
    uint16_t mainPort = 0;
    const int listener = listenOn(address, uint16_t(parser.value(port).toUInt()), mainPort);
    if (listener < 0) {
        std::cerr << "quillhaven-tds-server: cannot listen: " << std::strerror(errno) << '\n';
        return 1;
    }
    std::thread(acceptLoop, listener, std::ref(control)).detach();
    SqlBrowser browser;
    if (parser.isSet(instance)) {
        if (!browser.listen(address, uint16_t(parser.value(browserPort).toUInt()))) {
            std::cerr << "quillhaven-tds-server: cannot serve the browser port: "
                      << std::strerror(errno) << '\n';
            return 1;
        }
        std::thread([&browser, name = parser.value(instance), mainPort] {
            browser.serve(name, mainPort);
        }).detach();
    }

    const auto serve = [&control](const std::function<bool(std::string&)>& readLine,
                                  const std::function<void(const std::string&)>& writeLine) {
        std::string line;
        while (readLine(line)) {
            const QString command = QString::fromStdString(line).trimmed();
            if (command == QLatin1String("quit"))
                break;
            if (!command.isEmpty())
                writeLine(answer(control, command).toStdString());
        }
    };
    if (parser.isSet(announce)) {
        uint16_t controlPort = 0;
        const int controlListener = listenOn(QHostAddress(QHostAddress::LocalHost), 0, controlPort);
        if (controlListener < 0 || !announcePorts(parser.value(announce), mainPort, controlPort)) {
            std::cerr << "quillhaven-tds-server: cannot announce the ports\n";
            return 1;
        }
        const int channel = ::accept(controlListener, nullptr, nullptr);
        ::close(controlListener);
        std::string pending;
        serve(
            [channel, &pending](std::string& line) { return readLineFrom(channel, pending, line); },
            [channel](const std::string& text) {
                const std::string withEnd = text + '\n';
                ::send(channel, withEnd.data(), withEnd.size(), MSG_NOSIGNAL);
            });
        ::close(listener);
        closeClients();
        ::close(channel);
        std::_Exit(0);
    }

    std::cout << "port " << mainPort << std::endl;
    serve([](std::string& line) { return bool(std::getline(std::cin, line)); },
          [](const std::string& text) { std::cout << text << std::endl; });
    ::close(listener);
    closeClients();
    std::cout.flush();
    // Detached threads may still sit in accept(); leave without waiting.
    std::_Exit(0);
}
