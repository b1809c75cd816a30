#include "db/ConnectionString.h"
#include "db/OdbcDrivers.h"
#include "db/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

// Reads an ODBC connection string the way a driver manager does: a value in
// braces runs to the lone closing brace, "}}" standing for one "}". Returns
// the attributes in order, or an empty map when the text is malformed.
QList<QPair<QString, QString>> parseOdbc(const QString& text)
{
    QList<QPair<QString, QString>> result;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0)
            return {};
        const QString key = text.mid(i, eq - i);
        QString value;
        i = eq + 1;
        if (i < text.size() && text[i] == u'{') {
            ++i;
            for (;;) {
                if (i >= text.size())
                    return {};
                if (text[i] == u'}') {
                    if (i + 1 < text.size() && text[i + 1] == u'}') {
                        value += u'}';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
        } else {
            const qsizetype end = text.indexOf(u';', i);
            value = text.mid(i, end < 0 ? -1 : end - i);
            i = end < 0 ? text.size() : end;
        }
        result.append({key, value});
        if (i < text.size()) {
            if (text[i] != u';')
                return {};
            ++i;
        }
    }
    return result;
}

QString dosavine(const QString& server)
{
    return Profile::connectionString(Profile::Id::Dosavine, server);
}

QString bindwell(const QString& server)
{
    return Profile::connectionString(Profile::Id::Bindwell, server);
}

} // namespace

TEST(Profile, PrefixesAreSentExactly)
{
    EXPECT_EQ(str(Profile::prefix(Profile::Id::Dosavine)),
              "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=Dosavine;"
              "Password=QuintonVaresse;Initial catalog=Dosavine;Data Source=");
    EXPECT_EQ(str(Profile::prefix(Profile::Id::Bindwell)),
              "Provider=SQLOLEDB.1;Password=QuintonVaresse;Persist Security Info=False;"
              "User ID=Bindwell;Initial Catalog=Bindwell;Data Source=");
    EXPECT_EQ(str(Profile::catalog(Profile::Id::Dosavine)), "Dosavine");
    EXPECT_EQ(str(Profile::catalog(Profile::Id::Bindwell)), "Bindwell");
}

TEST(Profile, ServerNameFollowsThePrefixDirectly)
{
    const QString name = QStringLiteral("LEDGERHOST\\SQL2005");
    EXPECT_EQ(dosavine(name), Profile::prefix(Profile::Id::Dosavine) + name);
    const QString stores = bindwell(QStringLiteral("srv"));
    EXPECT_TRUE(stores.startsWith(QLatin1String("Provider=SQLOLEDB.1;Password=")));
    EXPECT_TRUE(stores.contains(QLatin1String("Initial Catalog=Bindwell;")));
    EXPECT_TRUE(stores.endsWith(QLatin1String("Data Source=srv")));
}

TEST(ConnectionString, KeysIgnoreLetterCase)
{
    for (const QString& text : {dosavine(QStringLiteral("db1")), bindwell(QStringLiteral("db1"))}) {
        SCOPED_TRACE(str(text));
        const ConnectionString parsed(text);
        const QString profile = parsed.user();
        EXPECT_TRUE(profile == QLatin1String("Dosavine") || profile == QLatin1String("Bindwell"));
        EXPECT_EQ(parsed.catalog(), profile);
        EXPECT_EQ(parsed.value(QStringLiteral("INITIAL CATALOG")), profile);
        EXPECT_EQ(str(parsed.password()), "QuintonVaresse");
        EXPECT_EQ(str(parsed.server()), "db1");
        EXPECT_EQ(str(parsed.value(QStringLiteral("provider"))), "SQLOLEDB.1");
        EXPECT_TRUE(parsed.value(QStringLiteral("Nothing")).isEmpty());
    }
}

// Whatever the operator types stays the server name: it cannot replace the
// profile's login, whatever it holds.
TEST(ConnectionString, ServerNameCannotAddKeys)
{
    const QString name = QStringLiteral("host;User ID=sa;Password=;Initial Catalog=master");
    const ConnectionString parsed(dosavine(name));
    EXPECT_EQ(parsed.server(), name);
    EXPECT_EQ(str(parsed.user()), "Dosavine");
    EXPECT_EQ(str(parsed.password()), "QuintonVaresse");
    EXPECT_EQ(str(parsed.catalog()), "Dosavine");
}

TEST(ConnectionString, BraceQuoting)
{
    EXPECT_EQ(str(ConnectionString::braceQuoted(QString())), "{}");
    EXPECT_EQ(str(ConnectionString::braceQuoted(QStringLiteral("a}b"))), "{a}}b}");
    EXPECT_EQ(str(ConnectionString::braceQuoted(QStringLiteral("{x}"))), "{{x}}}");
    EXPECT_EQ(str(ConnectionString::braceQuoted(QStringLiteral("a;b=c"))), "{a;b=c}");
}

TEST(ConnectionString, FreeTdsTranslation)
{
    const ConnectionString parsed(bindwell(QStringLiteral("ledger.example,1433")));
    EXPECT_EQ(str(parsed.odbcForSqlServer(QStringLiteral("FreeTDS"))),
              "DRIVER={FreeTDS};SERVER={ledger.example};Port=1433;DATABASE={Bindwell};"
              "UID={Bindwell};PWD={QuintonVaresse};TDS_Version=7.4;ClientCharset=UTF-8;"
              "Encryption=request;Timeout=32");
    // FreeTDS waits half the request time-out, since it waits once more for
    // its cancel to be answered; but longer than a lock wait, whose end the
    // server reports itself.
    const auto waitOf = [&parsed](int request, int lock) {
        return str(parsed.odbcForSqlServer(QStringLiteral("FreeTDS"), request, lock)
                       .section(QStringLiteral("Timeout="), 1));
    };
    EXPECT_EQ(waitOf(30, 0), "15");
    EXPECT_EQ(waitOf(30, 10), "15");
    EXPECT_EQ(waitOf(2, 0), "1");
    EXPECT_EQ(waitOf(2, 1), "3");
    // A plain name goes to the default port, an instance to the browser.
    EXPECT_TRUE(ConnectionString(bindwell(QStringLiteral("PHARMACY01")))
                    .odbcForSqlServer(QStringLiteral("FreeTDS"))
                    .startsWith(QLatin1String("DRIVER={FreeTDS};SERVER={PHARMACY01};Port=1433;")));
    EXPECT_TRUE(ConnectionString(bindwell(QStringLiteral("(local)\\LEDGERS")))
                    .odbcForSqlServer(QStringLiteral("FreeTDS"))
                    .startsWith(QLatin1String("DRIVER={FreeTDS};SERVER={localhost\\LEDGERS};"
                                              "DATABASE=")));
}

TEST(ConnectionString, MicrosoftDriverTranslation)
{
    const ConnectionString parsed(dosavine(QStringLiteral("srv")));
    const auto attributes =
        parseOdbc(parsed.odbcForSqlServer(QStringLiteral("ODBC Driver 18 for SQL Server")));
    QMap<QString, QString> byKey;
    for (const auto& [key, value] : attributes)
        byKey.insert(key, value);
    EXPECT_EQ(str(byKey.value(QStringLiteral("DRIVER"))), "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(str(byKey.value(QStringLiteral("SERVER"))), "tcp:srv,1433");
    EXPECT_EQ(str(byKey.value(QStringLiteral("UID"))), "Dosavine");
    EXPECT_FALSE(byKey.contains(QStringLiteral("TDS_Version")));
}

// No awkward name reaches a driver: none is a name a SQL Server client
// reads, so none gives a connection string that could carry keys of its own.
TEST(ConnectionString, AwkwardServerNamesNeverReachTheDriver)
{
    const QList<QString> names{QStringLiteral("a;b"),
                               QStringLiteral("a=b"),
                               QStringLiteral("x;UID=sa;PWD=secret"),
                               QStringLiteral("{braced}"),
                               QStringLiteral("ends}"),
                               QStringLiteral("}};DRIVER={SQLite3}"),
                               QStringLiteral("it's \"quoted\""),
                               QString(500, u'n'),
                               QString(250, u'}') + QString(250, u';')};
    for (const QString& driver :
         {QStringLiteral("FreeTDS"), QStringLiteral("ODBC Driver 17 for SQL Server")}) {
        for (const QString& name : names) {
            SCOPED_TRACE(str(driver + QStringLiteral(" / ") + name));
            EXPECT_TRUE(ConnectionString(dosavine(name)).odbcForSqlServer(driver).isEmpty());
        }
    }
}

TEST(ConnectionString, EmbeddedSchemes)
{
    struct Case
    {
        const char* server;
        bool native;
        bool odbc;
    };
    const Case cases[] = {
        {"sqlite:/data/ledgers", true, false},     {"SQLite:/data/ledgers", true, false},
        {"sqliteodbc:/data/ledgers", false, true}, {"sqlite", false, false},
        {"sqlitex:/data", false, false},           {"LEDGERHOST", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        const ConnectionString parsed(dosavine(QString::fromUtf8(c.server)));
        EXPECT_EQ(parsed.isEmbedded(), c.native);
        EXPECT_EQ(parsed.isEmbeddedViaOdbc(), c.odbc);
        if (!c.native && !c.odbc) {
            EXPECT_TRUE(parsed.embeddedFile().isEmpty());
        }
    }
}

TEST(ConnectionString, EmbeddedFileIsNamedAfterTheCatalog)
{
    // On Windows a path from the root is on the current drive.
    const auto onThisDrive = [](const char* path) {
        return QFileInfo(QString::fromLatin1(path)).absoluteFilePath();
    };
    EXPECT_EQ(ConnectionString(dosavine(QStringLiteral("sqlite:/data/ledgers/"))).embeddedFile(),
              onThisDrive("/data/ledgers/Dosavine.db"));
    EXPECT_EQ(
        ConnectionString(bindwell(QStringLiteral("sqliteodbc:/data//ledgers"))).embeddedFile(),
        onThisDrive("/data/ledgers/Bindwell.db"));
    EXPECT_EQ(ConnectionString(dosavine(QStringLiteral("sqlite:rel"))).embeddedFile(),
              QDir::current().absoluteFilePath(QStringLiteral("rel/Dosavine.db")));
    EXPECT_TRUE(ConnectionString(dosavine(QStringLiteral("sqlite:"))).embeddedFile().isEmpty());
}

#ifdef Q_OS_WIN
// The folders a Windows operator types: a drive letter with either
// separator, a share by its UNC name.
TEST(ConnectionString, WindowsFolders)
{
    const struct
    {
        const char* server;
        const char* file;
    } cases[] = {{"sqlite:C:\\Ledgers", "C:/Ledgers/Dosavine.db"},
                 {"sqlite:C:/Ledgers/", "C:/Ledgers/Dosavine.db"},
                 {"sqlite:D:\\Year end\\2024", "D:/Year end/2024/Dosavine.db"},
                 {"sqlite:\\\\fileserver\\books", "//fileserver/books/Dosavine.db"},
                 {"sqlite://fileserver/books", "//fileserver/books/Dosavine.db"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        EXPECT_EQ(str(ConnectionString(dosavine(QString::fromUtf8(c.server))).embeddedFile()),
                  c.file);
    }
    EXPECT_EQ(str(ConnectionString(dosavine(QStringLiteral("sqliteodbc:\\\\fileserver\\books")))
                      .odbcForSqlite()),
              "DRIVER={SQLite3};Database=//fileserver/books/Dosavine.db;NoCreat=1;Timeout=2500");
}
#endif

TEST(ConnectionString, SqliteOdbcTranslation)
{
    EXPECT_EQ(ConnectionString(bindwell(QStringLiteral("sqliteodbc:/data/a b#c"))).odbcForSqlite(),
              QStringLiteral("DRIVER={SQLite3};Database=") +
                  QFileInfo(QStringLiteral("/data/a b#c/Bindwell.db")).absoluteFilePath() +
                  QStringLiteral(";NoCreat=1;Timeout=2500"));
    // That driver cannot take a ";" in a value: nothing rather than a key of
    // the folder's making.
    EXPECT_TRUE(ConnectionString(dosavine(QStringLiteral("sqliteodbc:/x;NoCreat=0")))
                    .odbcForSqlite()
                    .isEmpty());
}

TEST(SqlServerDriver, TheDriverManagersListDecidesAndEachDriverGetsItsKeywords)
{
    // As the driver manager lists them: on Linux (unixODBC), under Wine
    // (the host's list), on a Windows with nothing added, with 17, with 18.
    const QString fallback =
#ifdef Q_OS_WIN
        QStringLiteral("SQL Server");
#else
        QStringLiteral("FreeTDS");
#endif
    const struct
    {
        QStringList installed;
        QString chosen;
    } sets[] = {
        {{QStringLiteral("SQLite3"), QStringLiteral("FreeTDS")}, QStringLiteral("FreeTDS")},
        {{}, fallback},
        {{QStringLiteral("SQL Server"), QStringLiteral("Microsoft Access Driver (*.mdb)")},
         QStringLiteral("SQL Server")},
        {{QStringLiteral("SQL Server"), QStringLiteral("ODBC Driver 17 for SQL Server")},
         QStringLiteral("ODBC Driver 17 for SQL Server")},
        {{QStringLiteral("ODBC Driver 17 for SQL Server"), QStringLiteral("FreeTDS"),
          QStringLiteral("ODBC Driver 18 for SQL Server")},
         QStringLiteral("ODBC Driver 18 for SQL Server")},
        {{QStringLiteral("SQL Server"), QStringLiteral("FreeTDS")}, QStringLiteral("FreeTDS")},
    };
    for (const auto& set : sets)
        EXPECT_EQ(str(OdbcDrivers::choose(set.installed)), str(set.chosen))
            << str(set.installed.join(QStringLiteral(", ")));
    // This machine's driver manager answers, and lists the drivers the tests use.
    EXPECT_TRUE(OdbcDrivers::installed().contains(QStringLiteral("FreeTDS")))
        << str(OdbcDrivers::installed().join(QStringLiteral(", ")));

    // Each driver gets the keywords it knows.
    const ConnectionString parsed(bindwell(QStringLiteral("ledger.example,1433")));
    EXPECT_EQ(str(parsed.odbcForSqlServer(QStringLiteral("SQL Server"))),
              "DRIVER={SQL Server};SERVER={ledger.example,1433};DATABASE={Bindwell};"
              "UID={Bindwell};PWD={QuintonVaresse};Network=DBMSSOCN");
    EXPECT_EQ(str(parsed.odbcForSqlServer(QStringLiteral("ODBC Driver 18 for SQL Server"))),
              "DRIVER={ODBC Driver 18 for SQL Server};SERVER={tcp:ledger.example,1433};"
              "DATABASE={Bindwell};UID={Bindwell};PWD={QuintonVaresse};Encrypt=no;"
              "TrustServerCertificate=yes");
}
