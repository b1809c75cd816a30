#include "app/frmYearEnd.h"
#include "tests/gui/WindowTest.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/LedgerFixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

// The connect command as the operator runs it: tick a box, type a name, click
// Connect, through the real window and, where one is needed, a real ledger.
class tst_frmYearEndConnect : public WindowTest
{
    Q_OBJECT

private:
    void tick(const QString& box)
    {
        QTest::mouseClick(m_window->findChild<QCheckBox*>(box), Qt::LeftButton);
    }
    QString status() { return control<QLabel>("lblMsg")->text(); }
    bool migrateEnabled() { return control<QPushButton>("CmdMigrate")->isEnabled(); }
    bool createEnabled() { return control<QPushButton>("cmdAccYrCreate")->isEnabled(); }
    bool focusOnServer() { return QApplication::focusWidget() == control<QWidget>("txtServer"); }
    int count(const QString& sql, const QString& database)
    {
        return m_ledgers->value(sql, database).toInt();
    }

    std::unique_ptr<LedgerFixture> m_ledgers;
    const QString m_wrongServer = QStringLiteral("Please enter Valid Server Name ");

private slots:
    void initTestCase()
    {
        m_ledgers = std::make_unique<LedgerFixture>();
        m_ledgers->build({QStringLiteral("--accounts"), QStringLiteral("12"),
                          QStringLiteral("--years"), QStringLiteral("3"),
                          QStringLiteral("--postings"), QStringLiteral("150"),
                          QStringLiteral("--server-date"), QStringLiteral("2008-03-31T18:00")});
    }
    void init() { openWindow(); }
    void cleanup() { m_window.reset(); }

    void noDatabaseChosen_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("with a name") << QStringLiteral("SERVER01");
        // The boxes are tested before the name.
        QTest::newRow("without a name") << QString();
    }
    void noDatabaseChosen()
    {
        QFETCH(QString, server);
        connectTo(server);
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("Select Any One Database Name")});
        QCOMPARE(m_sink.messages.front().icon, Prompts::Icon::Information);
        QCOMPARE(status(), QString());
        QVERIFY(!migrateEnabled());
        QVERIFY(!createEnabled());
    }

    void blankName_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("name");
        QTest::newRow("pharma, empty") << QStringLiteral("chkPharma") << QString();
        QTest::newRow("pharma, spaces") << QStringLiteral("chkPharma") << QStringLiteral("    ");
        QTest::newRow("stores, empty") << QStringLiteral("chkStores") << QString();
        QTest::newRow("stores, one space") << QStringLiteral("chkStores") << QStringLiteral(" ");
    }
    void blankName()
    {
        QFETCH(QString, box);
        QFETCH(QString, name);
        tick(box);
        connectTo(name);
        QVERIFY(m_sink.messages.isEmpty());
        QVERIFY(focusOnServer());
        QCOMPARE(status(), QString());
        QVERIFY(!migrateEnabled());
    }

    void goodLedger_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("database");
        QTest::newRow("pharma") << QStringLiteral("chkPharma") << QStringLiteral("Dosavine");
        QTest::newRow("stores") << QStringLiteral("chkStores") << QStringLiteral("Bindwell");
    }
    void goodLedger()
    {
        QFETCH(QString, box);
        QFETCH(QString, database);
        tick(box);
        // Blanks around the name are not part of it.
        connectTo(QStringLiteral("  ") + m_ledgers->serverName() + QStringLiteral("  "));

        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
        QCOMPARE(status(), QStringLiteral("Server Connected"));
        QVERIFY(migrateEnabled());
        QVERIFY(createEnabled());

        const int years =
            count(QStringLiteral("Select count(*) from Acc_Accounting_Year"), database);
        const int accounts =
            count(QStringLiteral("Select count(*) from Acc_Master where ParentID not in('P','B')"),
                  database);
        QVERIFY(years > 0);
        QCOMPARE(m_window->context().accYears().rows(), years);
        QCOMPARE(m_window->context().accounts().rows(), years * accounts);
        QCOMPARE(control<QProgressBar>("pbTrans")->value(), 1000);
    }

    void missingLedger_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("no file in the folder") << QStringLiteral("empty");
        QTest::newRow("no such folder") << QStringLiteral("empty/nowhere");
    }
    void missingLedger()
    {
        QFETCH(QString, folder);
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("empty")));
        const QString path = scratch.filePath(folder);

        tick(QStringLiteral("chkPharma"));
        connectTo(QStringLiteral("sqlite:") + path);
        // The system's message, then what is wrong with the path.
        QCOMPARE(m_sink.messages.size(), 1);
        QCOMPARE(m_sink.messages.front().text.section(u'\n', 0, 0), m_wrongServer);
        QVERIFY(m_sink.messages.front().text.section(u'\n', 1).contains(
            QDir::toNativeSeparators(path)));
        QCOMPARE(m_sink.messages.front().icon, Prompts::Icon::None);
        QVERIFY(focusOnServer());
        QCOMPARE(status(), QString());
        QVERIFY(!migrateEnabled());
        QVERIFY(!createEnabled());
        // A missing ledger is never created empty.
        QVERIFY(!QFile::exists(path + QStringLiteral("/Dosavine.db")));
    }

    void sqlServerThatDoesNotAnswer()
    {
        // Nothing listens on port 1 of this machine.
        tick(QStringLiteral("chkStores"));
        connectTo(QStringLiteral("127.0.0.1,1"));
        QCOMPARE(m_sink.texts(), QStringList{m_wrongServer});
        QVERIFY(focusOnServer());
        QCOMPARE(status(), QString());
        QVERIFY(!migrateEnabled());
    }

    void fileThatIsNoLedger()
    {
        QTemporaryDir scratch;
        QFile junk(scratch.filePath(QStringLiteral("Dosavine.db")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();

        tick(QStringLiteral("chkPharma"));
        connectTo(QStringLiteral("sqlite:") + scratch.path());
        // Not a wrong server name: the operator sees the failure itself.
        QCOMPARE(m_sink.messages.size(), 1);
        QVERIFY(m_sink.messages.front().text != m_wrongServer);
        QCOMPARE(m_sink.messages.front().icon, Prompts::Icon::Critical);
        QVERIFY(focusOnServer());
        QCOMPARE(status(), QString());
        QVERIFY(!migrateEnabled());
    }

    void windowStaysUsableAfterAFailure()
    {
        tick(QStringLiteral("chkPharma"));
        connectTo(m_ledgers->serverName());
        QCOMPARE(status(), QStringLiteral("Server Connected"));

        // A failed reconnect leaves no connection: the status line no longer
        // claims one, and nothing may be migrated or created until the next
        // connect succeeds.
        connectTo(m_ledgers->serverName() + QStringLiteral("/nowhere"));
        QCOMPARE(m_sink.messages.size(), 1);
        QCOMPARE(m_sink.messages.front().text.section(u'\n', 0, 0), m_wrongServer);
        QCOMPARE(status(), QString());
        QVERIFY(!migrateEnabled());
        QVERIFY(!createEnabled());

        // The other ledger, after switching boxes, connects as before.
        tick(QStringLiteral("chkPharma"));
        tick(QStringLiteral("chkStores"));
        QVERIFY(m_window->isStoresChecked());
        m_sink.clear();
        connectTo(m_ledgers->serverName());
        QVERIFY(m_sink.messages.isEmpty());
        QCOMPARE(status(), QStringLiteral("Server Connected"));
        QVERIFY(migrateEnabled());
        QVERIFY(createEnabled());
    }
};

QTEST_MAIN(tst_frmYearEndConnect)
#include "tst_frmYearEndConnect.moc"
