#include "app/YearsListView.h"
#include "tests/gui/WindowTest.h"
#include "tests/support/LedgerFixture.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

// What the window shows its operator while it works and after: the busy
// pointer and unclickable buttons during a command, a bar that tells the
// share of a load, a status line that claims no lost connection, and the
// active year in view.
class tst_feedback : public WindowTest
{
    Q_OBJECT

private:
    // Notes what the window looks like whenever a message comes, which is
    // while the command that shows it still runs.
    struct Look
    {
        bool busyPointer;
        bool connect, migrate, create;
    };
    class LookingSink : public CapturingSink
    {
    public:
        explicit LookingSink(tst_feedback& test) : m_test(test) {}
        void tell(const QString& text, Icon icon) override
        {
            CapturingSink::tell(text, icon);
            looks.append(m_test.look());
        }
        QList<Look> looks;

    private:
        tst_feedback& m_test;
    };

    Look look()
    {
        const QCursor* pointer = QGuiApplication::overrideCursor();
        return {pointer && pointer->shape() == Qt::WaitCursor,
                control<QPushButton>("cmdConnect")->isEnabled(),
                control<QPushButton>("CmdMigrate")->isEnabled(),
                control<QPushButton>("cmdAccYrCreate")->isEnabled()};
    }
    QString status() { return control<QLabel>("lblMsg")->text(); }
    // Whether the list shows its active row whole.
    bool activeRowInView()
    {
        auto* view = control<YearsListView>("vasAccYear");
        const GridModel& years = m_window->context().accYears();
        for (int row = years.rows(); row >= 1; --row) {
            if (years.numberAt(GridColumns::YrActive, row) == 1) {
                const QRect cell =
                    view->visualRect(view->model()->index(row - 1, GridColumns::YrStart - 1));
                return view->viewport()->rect().contains(cell);
            }
        }
        return false;
    }

    std::unique_ptr<LedgerFixture> m_ledgers;
    std::unique_ptr<LedgerFixture> m_longLedger;

private slots:
    void initTestCase()
    {
        m_ledgers = std::make_unique<LedgerFixture>();
        m_ledgers->build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                          QStringLiteral("--accounts"), QStringLiteral("12"),
                          QStringLiteral("--years"), QStringLiteral("4"),
                          QStringLiteral("--postings"), QStringLiteral("150"),
                          QStringLiteral("--server-date"), QStringLiteral("2008-03-31T18:00")});
    }
    void init() { openWindow(); }
    void cleanup() { m_window.reset(); }

    void busyWhileACommandRunsAndBackAfterAFailure()
    {
        LookingSink sink(*this);
        m_window->setPrompts(&sink);
        connectPharmaTo(m_ledgers->serverName());
        QCOMPARE(status(), QStringLiteral("Server Connected"));
        Look after = look();
        QVERIFY(!after.busyPointer);
        QVERIFY(after.connect && after.migrate && after.create);

        // A file that is no ledger: its failure is shown while the connect
        // still runs.
        QTemporaryDir scratch;
        QFile junk(scratch.filePath(QStringLiteral("Dosavine.db")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        connectTo(QStringLiteral("sqlite:") + scratch.path());
        QCOMPARE(sink.looks.size(), 1);
        const Look during = sink.looks.front();
        QVERIFY(during.busyPointer);
        QVERIFY(!during.connect && !during.migrate && !during.create);

        after = look();
        QVERIFY(!after.busyPointer);
        QVERIFY(after.connect);
        // The failed reconnect left no connection: nothing claims one.
        QCOMPARE(status(), QString());
        QVERIFY(!after.migrate && !after.create);
        m_window->setPrompts(&m_sink);
    }

    void theBarTellsTheShareOfAMultiYearLoad()
    {
        QList<int> values;
        connect(control<QProgressBar>("pbTrans"), &QProgressBar::valueChanged,
                [&values](int value) { values.append(value); });
        connectPharmaTo(m_ledgers->serverName());
        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
        QVERIFY(values.size() > 10);
        QCOMPARE(values.last(), 1000);
        // Never back, full only at the end, and on its way through the
        // middle (48 rows: the old bar counted rows and sat at 48).
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.count(1000), 1);
        QVERIFY(
            std::any_of(values.begin(), values.end(), [](int v) { return v >= 300 && v <= 700; }));
    }

    void theActiveYearIsInView()
    {
        // Thirteen years: the active one is below the rows the list shows.
        LedgerFixture ledger;
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("3"), QStringLiteral("--years"),
                      QStringLiteral("13"), QStringLiteral("--postings"), QStringLiteral("40"),
                      QStringLiteral("--first-year"), QStringLiteral("1995"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        QTest::mouseClick(control<QPushButton>("cmdShowHide"), Qt::LeftButton);
        connectPharmaTo(ledger.serverName());
        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
        QCOMPARE(m_window->context().accYears().rows(), 13);
        QVERIFY(activeRowInView());

        QTest::mouseClick(control<QPushButton>("cmdAccYrCreate"), Qt::LeftButton);
        QVERIFY2(m_sink.messages.isEmpty(), qPrintable(m_sink.texts().join(u'|')));
        QCOMPARE(m_window->context().accYears().rows(), 14);
        QVERIFY(activeRowInView());
    }
};

QTEST_MAIN(tst_feedback)
#include "tst_feedback.moc"
