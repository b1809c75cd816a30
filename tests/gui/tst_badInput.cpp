#include "app/BoxPrompts.h"
#include "app/frmYearEnd.h"
#include "db/Session.h"
#include "tests/gui/WindowTest.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <unistd.h>

// What the operator can type or point the window at that is not a ledger,
// and a ledger that another program holds locked: a message every time, no
// crash, and nothing opened but what was typed.
class tst_badInput : public WindowTest
{
    Q_OBJECT

private:
    void clickMigrate()
    {
        m_sink.clear();
        QTest::mouseClick(control<QPushButton>("CmdMigrate"), Qt::LeftButton);
    }
    QString status() { return control<QLabel>("lblMsg")->text(); }
    bool migrateEnabled() { return control<QPushButton>("CmdMigrate")->isEnabled(); }
    bool connected() { return status() == QLatin1String("Server Connected"); }
    // Refused: no connection, no year-end button on offer, and one message,
    // except where a SQL Server open fails for other reasons than a wrong
    // name, which moves the focus without a word.
    void verifyRefused(bool silentAllowed = false)
    {
        QVERIFY2(m_sink.messages.size() == 1 || (silentAllowed && m_sink.messages.isEmpty()),
                 qPrintable(m_sink.texts().join(u'|')));
        for (const CapturingSink::Message& message : m_sink.messages)
            QVERIFY(!message.text.trimmed().isEmpty());
        QVERIFY2(!connected(), qPrintable(m_sink.texts().join(u'|')));
        QVERIFY(!migrateEnabled());
        QCOMPARE(QApplication::focusWidget(), control<QWidget>("txtServer"));
    }
    static void makeFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    std::unique_ptr<LedgerFixture> m_ledgers;

private slots:
    void initTestCase()
    {
        m_ledgers = std::make_unique<LedgerFixture>();
        m_ledgers->build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                          QStringLiteral("--accounts"), QStringLiteral("8"),
                          QStringLiteral("--years"), QStringLiteral("2"),
                          QStringLiteral("--postings"), QStringLiteral("60"),
                          QStringLiteral("--first-year"), QStringLiteral("2006"),
                          QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
    }
    void init()
    {
        openWindow();
        // Nothing here waits for a real server.
        SessionOptions shortWaits;
        shortWaits.loginTimeoutSeconds = 2;
        m_window->context().setSessionOptions(shortWaits);
    }
    void cleanup() { m_window.reset(); }

    // Names that would smuggle keys into a connection string aim at the
    // good ledger; none may reach it. SQL Server names go nowhere: nothing
    // answers on port 1 here.
    void smuggledKeys_data()
    {
        QTest::addColumn<QString>("server");
        const QString good = m_ledgers->folder();
        const QString other = QStringLiteral("/nowhere/at/all");
        QTest::newRow("semicolon, native")
            << QStringLiteral("sqlite:") + other + QStringLiteral(";Database=") + good;
        QTest::newRow("semicolon, odbc") << QStringLiteral("sqliteodbc:") + other +
                                                QStringLiteral(";Database=") + good +
                                                QStringLiteral("/Dosavine.db");
        QTest::newRow("uri query") << QStringLiteral("sqlite:") + other + QStringLiteral("?file=") +
                                          good + QStringLiteral("/Dosavine.db");
        QTest::newRow("braces, odbc") << QStringLiteral("sqliteodbc:{") + other +
                                             QStringLiteral("};Database={") + good +
                                             QStringLiteral("/Dosavine.db}");
        QTest::newRow("sql server, semicolon")
            << QStringLiteral("127.0.0.1,1;Database=sqlite:") + good;
        QTest::newRow("sql server, equals") << QStringLiteral("127.0.0.1,1=x");
        QTest::newRow("sql server, braces") << QStringLiteral("{127.0.0.1,1};UID={sa}");
        QTest::newRow("sql server, quotes") << QStringLiteral("127.0.0.1,1'\"");
        QTest::newRow("sql server, 500 characters") << QString(500, u'q');
        QTest::newRow("native, 500 characters") << QStringLiteral("sqlite:/") + QString(500, u'd');
    }
    void smuggledKeys()
    {
        QFETCH(QString, server);
        const QByteArray before = m_ledgers->hash();
        connectPharmaTo(server);
        verifyRefused(!server.startsWith(QLatin1String("sqlite")));
        QCOMPARE(status(), QString());
        QCOMPARE(m_ledgers->hash(), before);
    }

    // A folder whose name holds every awkward character is still just the
    // folder typed: its ledger opens, through either driver where the
    // driver can name it at all.
    void awkwardFolderNames_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("opens");
#ifdef Q_OS_WIN
        // No Windows file name holds a double quote.
        const QString awkward = QStringLiteral("we=ird {na}me 'q #1 %20");
#else
        const QString awkward = QStringLiteral("we=ird {na}me 'q\" #1 %20");
#endif
        QTest::newRow("native") << QStringLiteral("sqlite:") << awkward << true;
        QTest::newRow("native, semicolon") << QStringLiteral("sqlite:") << awkward + u';' << true;
        if (LedgerRoad::isAvailable(QStringLiteral("sqliteodbc"))) {
            QTest::newRow("odbc") << QStringLiteral("sqliteodbc:") << awkward << true;
            // The ODBC driver cannot be given such a path; it says so.
            QTest::newRow("odbc, semicolon")
                << QStringLiteral("sqliteodbc:") << awkward + u';' << false;
        }
    }
    void awkwardFolderNames()
    {
        QFETCH(QString, scheme);
        QFETCH(QString, folder);
        QFETCH(bool, opens);
        QTemporaryDir scratch;
        const QString path = scratch.filePath(folder);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(QFile::copy(m_ledgers->path(), path + QStringLiteral("/Dosavine.db")));
        const QByteArray before = LedgerFixture::fileHash(path + QStringLiteral("/Dosavine.db"));

        connectPharmaTo(scheme + path);
        if (opens) {
            QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
            QVERIFY(connected());
            QVERIFY(m_window->context().accounts().rows() > 0);
        } else {
            verifyRefused();
        }
        QCOMPARE(LedgerFixture::fileHash(path + QStringLiteral("/Dosavine.db")), before);
    }

    void onlyBlanks()
    {
        connectPharmaTo(QStringLiteral("      "));
        QVERIFY(m_sink.messages.isEmpty());
        QCOMPARE(QApplication::focusWidget(), control<QWidget>("txtServer"));
        QVERIFY(!connected());
    }

    // Files in the ledger's place that are no ledger: refused, left as found.
    void notALedger_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("short text") << QByteArray("Dosavine ledger, 2008\n");
        QTest::newRow("torn header")
            << QByteArray("SQLite format 3").append('\0').append(QByteArray(200, '\x7f'));
    }
    void notALedger()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir scratch;
        const QString file = scratch.filePath(QStringLiteral("Dosavine.db"));
        makeFile(file, content);
        connectPharmaTo(QStringLiteral("sqlite:") + scratch.path());
        QCOMPARE(m_sink.messages.size(), 1);
        QVERIFY2(m_sink.messages[0].text.contains(QLatin1String(" is not a ledger")),
                 qPrintable(m_sink.messages[0].text));
        QVERIFY(!migrateEnabled());
        QCOMPARE(LedgerFixture::fileBytes(file), content);
    }

    // A server name of 10,000 characters: the box that names it still fits
    // on the screen, its OK button within reach, the name cut in the middle.
    void longNameFitsOnTheScreen()
    {
        const QString server = QStringLiteral("sqlite:/") + QString(10000, u'q');
        connectPharmaTo(server);
        QCOMPARE(m_sink.messages.size(), 1);
        QString shown;
        QSize size;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            size = box->sizeHint();
            box->accept();
        });
        BoxPrompts().tell(m_sink.messages[0].text, Prompts::Icon::None);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(size.height() <= screen.height() && size.width() <= screen.width(),
                 qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.size() < 400);
    }

    void ledgerIsAFolder()
    {
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkdir(QStringLiteral("Dosavine.db")));
        connectPharmaTo(QStringLiteral("sqlite:") + scratch.path());
        verifyRefused();
    }

    // An unreadable folder or file. Tests often run as root, which reads
    // through any mode: then the ledger opens, as it would for the operator.
    void unreadable_data()
    {
        QTest::addColumn<bool>("folderToo");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }
    void unreadable()
    {
        QFETCH(bool, folderToo);
#ifdef Q_OS_WIN
        QSKIP("a Windows file has no permission bits that make it unreadable");
#endif
        QTemporaryDir scratch;
        const QString file = scratch.filePath(QStringLiteral("Dosavine.db"));
        QVERIFY(QFile::copy(m_ledgers->path(), file));
        const QByteArray before = LedgerFixture::fileHash(file);
        QVERIFY(QFile::setPermissions(file, {}));
        if (folderToo)
            QVERIFY(QFile::setPermissions(scratch.path(), {}));
        const bool readable = ::access(qPrintable(file), R_OK) == 0;

        connectPharmaTo(QStringLiteral("sqlite:") + scratch.path());
        if (readable) {
            QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
            QVERIFY(connected());
        } else {
            verifyRefused();
        }
        QVERIFY(QFile::setPermissions(scratch.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(LedgerFixture::fileHash(file), before);
    }

    // Another connection holds the write lock: Migrate Accounts waits, then
    // fails with a message and leaves the openings alone; once the lock is
    // gone the same button finishes the job.
    void busyLedger()
    {
        LedgerFixture ledger;
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("5"), QStringLiteral("--years"),
                      QStringLiteral("2"), QStringLiteral("--postings"), QStringLiteral("30"),
                      QStringLiteral("--first-year"), QStringLiteral("2006"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        connectPharmaTo(ledger.serverName());
        QVERIFY(connected());
        QVERIFY(migrateEnabled());
        const QString openings = QStringLiteral("SELECT * FROM Acc_Opening ORDER BY rowid");
        const QList<QVariantList> before = ledger.rows(openings);
        const QByteArray hashBefore = ledger.hash();

        const QString name = QStringLiteral("lock holder");
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            holder.setDatabaseName(ledger.path());
            QVERIFY(holder.open());
            QSqlQuery lock(holder);
            QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));

            clickMigrate();
            QCOMPARE(m_sink.messages.size(), 1);
            QCOMPARE(m_sink.messages.front().icon, Prompts::Icon::Critical);
            QVERIFY2(
                m_sink.messages.front().text.contains(QLatin1String("lock"), Qt::CaseInsensitive),
                qPrintable(m_sink.messages.front().text));
            QVERIFY(migrateEnabled());
            QVERIFY(status() != QLatin1String("Accounts Migration Completed"));

            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
            holder.close();
        }
        QSqlDatabase::removeDatabase(name);
        QCOMPARE(ledger.hash(), hashBefore);
        QCOMPARE(ledger.rows(openings), before);

        clickMigrate();
        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
        QCOMPARE(status(), QStringLiteral("Accounts Migration Completed"));
        QVERIFY(!migrateEnabled());
        QVERIFY(ledger.hash() != hashBefore);
    }
};

QTEST_MAIN(tst_badInput)
#include "tst_badInput.moc"
