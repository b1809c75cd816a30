#include "app/frmYearEnd.h"
#include "tests/gui/WindowTest.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <memory>

// Create Accounting Year clicked on the real window, connected to a
// generated ledger of two years whose clock is pinned.
class tst_yearEnd : public WindowTest
{
    Q_OBJECT

private:
    // Types the name key by key, as the operator does.
    void connectByTyping(const QString& server)
    {
        QTest::mouseClick(control<QCheckBox>("chkPharma"), Qt::LeftButton);
        QLineEdit* txtServer = control<QLineEdit>("txtServer");
        txtServer->clear();
        QTest::keyClicks(txtServer, server);
        QTest::mouseClick(control<QPushButton>("cmdConnect"), Qt::LeftButton);
    }

    void build(const QString& clock)
    {
        m_ledger = std::make_unique<LedgerFixture>();
        m_ledger->build(
            {QStringLiteral("--database"), QStringLiteral("Dosavine"), QStringLiteral("--accounts"),
             QStringLiteral("12"), QStringLiteral("--years"), QStringLiteral("2"),
             QStringLiteral("--postings"), QStringLiteral("80"), QStringLiteral("--first-year"),
             QStringLiteral("2006"), QStringLiteral("--server-date"), clock});
    }

    std::unique_ptr<LedgerFixture> m_ledger;

private slots:
    void init() { openWindow(); }
    void cleanup()
    {
        m_window.reset();
        m_ledger.reset();
    }

    void createsTheNextYear_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("native") << QStringLiteral("sqlite");
        if (LedgerRoad::isAvailable(QStringLiteral("sqliteodbc")))
            QTest::newRow("odbc") << QStringLiteral("sqliteodbc");
        // SQL Server's wire: FreeTDS to the TDS test server.
        QTest::newRow("tds") << QStringLiteral("tds");
    }
    void createsTheNextYear()
    {
        QFETCH(QString, scheme);
        build(QStringLiteral("2008-04-03T11:00"));
        LedgerRoad road(scheme);
        connectByTyping(road.serverName(m_ledger->folder()));
        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'\n')));

        QPushButton* create = control<QPushButton>("cmdAccYrCreate");
        QVERIFY(create->isEnabled());
        QVERIFY(create->isVisible());
        YearEndContext& context = m_window->context();
        const int accounts = context.accounts().rows() / 2;
        QTableView* list = control<QTableView>("vasAccYear");
        QCOMPARE(list->model()->rowCount(), 2);

        QTest::mouseClick(create, Qt::LeftButton);

        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'\n')));
        QVERIFY(!create->isEnabled());
        QVERIFY(!create->isVisible());
        QVERIFY(control<QPushButton>("CmdMigrate")->isEnabled());
        // The list shows the new year, active, after the old one made inactive.
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(context.accYears().readText(YearEndContext::YrId, 3), QStringLiteral("3"));
        QCOMPARE(context.accYears().readText(YearEndContext::YrStartValue, 3),
                 QStringLiteral("39539"));
        QCOMPARE(context.accYears().readText(YearEndContext::YrEndValue, 3),
                 QStringLiteral("39903"));
        QCOMPARE(context.accYears().readText(YearEndContext::YrActive, 2), QStringLiteral("0"));
        QCOMPARE(context.accYears().readText(YearEndContext::YrActive, 3), QStringLiteral("1"));
        QCOMPARE(context.accounts().rows(), accounts * 3);

        const QList<QVariantList> stored = m_ledger->rows(QStringLiteral(
            "SELECT Acc_Yr_Start,Acc_Yr_End,Active FROM Acc_Accounting_Year ORDER BY AccYearID"));
        QCOMPARE(stored.size(), 3);
        QCOMPARE(stored[1][2].toInt(), 0);
        QCOMPARE(stored[2][0].toDouble(), 39539.0);
        QCOMPARE(stored[2][1].toDouble(), 39903.0);
        QCOMPARE(stored[2][2].toInt(), 1);
    }

    // The whole year-end clicked on the window, once on the embedded ledger
    // and once over SQL Server's wire: connect, Migrate Accounts, Create
    // Accounting Year, connect again, Migrate Accounts again. Both ledgers
    // end the same, value for value.
    void wholeYearEndIsTheSameOverTheWire()
    {
        const char* tables[] = {"SELECT * FROM Acc_Opening ORDER BY rowid",
                                "SELECT * FROM Acc_Accounting_Year ORDER BY AccYearID"};
        QList<QList<QVariantList>> results[2];
        const QString roads[] = {QStringLiteral("sqlite"), QStringLiteral("tds")};
        for (int i = 0; i < 2; ++i) {
            build(QStringLiteral("2008-04-03T11:00"));
            LedgerRoad road(roads[i]);
            openWindow();
            connectByTyping(road.serverName(m_ledger->folder()));
            QPushButton* migrate = control<QPushButton>("CmdMigrate");
            QTest::mouseClick(migrate, Qt::LeftButton);
            QTest::mouseClick(control<QPushButton>("cmdAccYrCreate"), Qt::LeftButton);
            QTest::mouseClick(control<QPushButton>("cmdConnect"), Qt::LeftButton);
            QTest::mouseClick(migrate, Qt::LeftButton);
            QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'\n')));
            QCOMPARE(control<QLabel>("lblMsg")->text(),
                     QStringLiteral("Accounts Migration Completed"));
            for (const char* sql : tables)
                results[i].append(m_ledger->rows(QString::fromLatin1(sql)));
        }
        QCOMPARE(results[1], results[0]);
        QCOMPARE(results[0][1].size(), 3);
    }

    void tooEarlyShowsTheMessage()
    {
        // The connect enables the button whatever the date; the click checks.
        build(QStringLiteral("2008-03-31T10:00"));
        connectByTyping(QStringLiteral("sqlite:") + m_ledger->folder());
        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'\n')));
        const QByteArray before = m_ledger->hash();

        QPushButton* create = control<QPushButton>("cmdAccYrCreate");
        QTest::mouseClick(create, Qt::LeftButton);

        QCOMPARE(m_sink.messages.size(), 1);
        QCOMPARE(m_sink.messages[0].text,
                 QStringLiteral("Accounting Year Already Exists\r\nIf You Create New Accounting "
                                "year Before April 1st Accounts May Not Match"));
        QCOMPARE(m_sink.messages[0].icon, Prompts::Icon::Information);
        QVERIFY(create->isEnabled());
        QVERIFY(create->isVisible());
        QCOMPARE(control<QTableView>("vasAccYear")->model()->rowCount(), 2);
        QCOMPARE(m_ledger->hash(), before);
    }
};

QTEST_MAIN(tst_yearEnd)
#include "tst_yearEnd.moc"
