#include "db/ServerName.h"
#include "core/Failure.h"
#include "db/ConnectionString.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/TdsServer.h"

#include <QSysInfo>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

struct Reading
{
    const char* typed;
    const char* host;
    int port;
    const char* instance;
};

TEST(ServerName, FormsOperatorsType)
{
    const Reading readings[] = {
        {"PHARMACY01", "PHARMACY01", 1433, ""},
        {"PHARMACY01\\LEDGERS", "PHARMACY01", 0, "LEDGERS"},
        {"PHARMACY01,1500", "PHARMACY01", 1500, ""},
        {"tcp:PHARMACY01,1500", "PHARMACY01", 1500, ""},
        {"TCP:pharmacy01", "pharmacy01", 1433, ""},
        {"10.0.0.7", "10.0.0.7", 1433, ""},
        {"10.0.0.7 , 1500", "10.0.0.7", 1500, ""},
        {"[::1],1500", "::1", 1500, ""},
        {"localhost", "localhost", 1433, ""},
        {"(local)", "localhost", 1433, ""},
        {"(LOCAL)\\Ledgers", "localhost", 0, "Ledgers"},
        {".", "localhost", 1433, ""},
        {".\\LEDGERS", "localhost", 0, "LEDGERS"},
        // The default instance by name, and a port given with an instance.
        {"PHARMACY01\\MSSQLSERVER", "PHARMACY01", 1433, ""},
        {"PHARMACY01\\LEDGERS,1500", "PHARMACY01", 1500, ""},
        {"pharmacy-01.example.com", "pharmacy-01.example.com", 1433, ""},
    };
    for (const Reading& r : readings) {
        const ServerName name(QString::fromUtf8(r.typed));
        SCOPED_TRACE(r.typed);
        ASSERT_TRUE(name.isValid()) << str(name.problem());
        EXPECT_EQ(str(name.host()), r.host);
        EXPECT_EQ(name.port(), r.port);
        EXPECT_EQ(str(name.instance()), r.instance);
    }
}

TEST(ServerName, NamesNoClientCanReadAreRefusedWithTheReason)
{
    const std::pair<const char*, const char*> refusals[] = {
        {"PHARMACY01,", "port"},
        {"PHARMACY01,0", "port"},
        {"PHARMACY01,65536", "port"},
        {"PHARMACY01,14x", "port"},
        {"PHARMACY01\\", "instance"},
        {"PHARMACY01\\9LEDGERS", "instance"},
        {"PHARMACY01\\A-B", "instance"},
        {"PHARMACY01\\ABCDEFGHIJKLMNOPQ", "instance"},
        {",1433", "names no computer"},
        {"\\LEDGERS", "names no computer"},
        {"tcp:", "names no computer"},
        {"a;b", "no computer name"},
        {"{braced}", "no computer name"},
        {"x;UID=sa;PWD=secret", "no computer name"},
        {"it's", "no computer name"},
        {"a..b", "no computer name"},
        {"np:\\\\.\\pipe\\sql\\query", "np protocol"},
        {"lpc:PHARMACY01", "lpc protocol"},
    };
    for (const auto& [typed, reason] : refusals) {
        const ServerName name(QString::fromUtf8(typed));
        SCOPED_TRACE(typed);
        EXPECT_FALSE(name.isValid());
        EXPECT_TRUE(name.problem().contains(QString::fromUtf8(reason))) << str(name.problem());
        EXPECT_TRUE(name.problem().contains(QString::fromUtf8(typed)));
        EXPECT_TRUE(name.host().isEmpty());
    }
    // No host name is longer than 253 characters.
    EXPECT_FALSE(ServerName(QString(254, u'n')).isValid());
    // Nothing the driver could misread gets into a connection string.
    EXPECT_TRUE(
        ConnectionString(Profile::connectionString(Profile::Id::Dosavine, QStringLiteral("a;b")))
            .odbcForSqlServer(QStringLiteral("FreeTDS"))
            .isEmpty());
}

QString dosavine(const QString& server)
{
    return Profile::connectionString(Profile::Id::Dosavine, server);
}

// The number of years of the ledger a name leads to: each server below
// serves a ledger with its own count.
int yearsBehind(const QString& server)
{
    Session session;
    session.open(dosavine(server));
    RecordSet rs = session.query(QStringLiteral("Select count(*) from Acc_Accounting_Year"));
    return rs.field(0).toInt();
}

// Every form against real servers: the default instance on port 1433 of this
// computer (over a ledger of two years) and the named instance LEDGERS on a
// port of its own that the SQL Server Browser (UDP 1434) tells (four years).
// The fixed ports make this one test, never run twice at once.
TEST(ServerNames, EveryFormReachesItsServer)
{
    LedgerFixture defaultLedgers;
    defaultLedgers.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                          QStringLiteral("--years"), QStringLiteral("2")});
    LedgerFixture namedLedgers;
    namedLedgers.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                        QStringLiteral("--years"), QStringLiteral("4")});
    // On every address, since this computer's own name may lead to any.
    TdsServer byDefault(defaultLedgers.folder(),
                        {QStringLiteral("--host"), QStringLiteral("0.0.0.0"),
                         QStringLiteral("--port"), QStringLiteral("1433")});
    TdsServer named(namedLedgers.folder(),
                    {QStringLiteral("--host"), QStringLiteral("0.0.0.0"),
                     QStringLiteral("--instance"), QStringLiteral("LEDGERS"),
                     QStringLiteral("--browser-port"), QStringLiteral("1434")});

    const QString computer = QSysInfo::machineHostName();
    const QString port = QString::number(named.port());
    const QList<std::pair<QString, int>> forms = {
        {computer, 2},
        {QStringLiteral("localhost"), 2},
        {QStringLiteral("(local)"), 2},
        {QStringLiteral("."), 2},
        {QStringLiteral("127.0.0.1"), 2},
        {computer + QStringLiteral("\\MSSQLSERVER"), 2},
        {QStringLiteral("tcp:127.0.0.1,1433"), 2},
        {computer + u',' + port, 4},
        {QStringLiteral("tcp:") + computer + u',' + port, 4},
        {QStringLiteral("127.0.0.1,") + port, 4},
        {computer + QStringLiteral("\\LEDGERS"), 4},
        {QStringLiteral("localhost\\ledgers"), 4},
        {QStringLiteral("(local)\\LEDGERS"), 4},
        {QStringLiteral(".\\LEDGERS"), 4},
        {QStringLiteral("127.0.0.1\\LEDGERS"), 4},
    };
    for (const auto& [form, years] : forms) {
        SCOPED_TRACE(str(form));
        try {
            EXPECT_EQ(yearsBehind(form), years);
        } catch (const Failure& failure) {
            ADD_FAILURE() << failure.number() << ' ' << str(failure.description());
        }
    }

    // An instance the browser does not know is a wrong server name, and a
    // name no client can read never reaches a server.
    const qint64 logins = byDefault.logins() + named.logins();
    SessionOptions shortWait;
    shortWait.loginTimeoutSeconds = 3;
    for (const auto& [form, number] :
         {std::pair{QStringLiteral("localhost\\OTHER"), Failure::E_FAIL},
          std::pair{QStringLiteral("localhost,0"), Failure::InvalidServerName},
          std::pair{QStringLiteral("localhost;Port=1433"), Failure::InvalidServerName}}) {
        SCOPED_TRACE(str(form));
        Session session(shortWait);
        try {
            session.open(dosavine(form));
            ADD_FAILURE() << "connected";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), number) << str(failure.description());
        }
    }
    EXPECT_EQ(byDefault.logins() + named.logins(), logins);
}

} // namespace
