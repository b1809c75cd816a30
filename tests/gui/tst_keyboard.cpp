#include "tests/gui/WindowTest.h"
#include "tests/support/LedgerFixture.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

// The year-end with the keyboard alone: after each command the focus is
// back on the control that started it, or on the next one in the tab order
// when that one is off, so Tab and Space go where the operator expects.
class tst_keyboard : public WindowTest
{
    Q_OBJECT

private:
    static void press(Qt::Key key)
    {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, key);
    }
    static QString focused()
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QString();
    }

private slots:
    void init() { openWindow(); }
    void cleanup() { m_window.reset(); }

    void yearEndByKeys()
    {
        LedgerFixture ledger;
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("4"), QStringLiteral("--years"),
                      QStringLiteral("2"), QStringLiteral("--first-year"), QStringLiteral("2006"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        control<QCheckBox>("chkPharma")->setFocus(Qt::OtherFocusReason);

        press(Qt::Key_Space);
        QVERIFY(control<QCheckBox>("chkPharma")->isChecked());
        press(Qt::Key_Tab);
        QCOMPARE(focused(), QStringLiteral("txtServer"));
        QTest::keyClicks(QApplication::focusWidget(), ledger.serverName());
        press(Qt::Key_Tab);
        QCOMPARE(focused(), QStringLiteral("cmdConnect"));
        press(Qt::Key_Space);
        QCOMPARE(control<QLabel>("lblMsg")->text(), QStringLiteral("Server Connected"));
        QCOMPARE(focused(), QStringLiteral("cmdConnect"));

        press(Qt::Key_Tab);
        QCOMPARE(focused(), QStringLiteral("cmdAccYrCreate"));
        press(Qt::Key_Space);
        QVERIFY(m_sink.messages.isEmpty());
        // The button is gone with its year made: the next one has the focus.
        QCOMPARE(focused(), QStringLiteral("CmdMigrate"));
        press(Qt::Key_Space);
        QCOMPARE(control<QLabel>("lblMsg")->text(), QStringLiteral("Accounts Migration Completed"));
        QVERIFY(m_sink.messages.isEmpty());
        QVERIFY(control<QCheckBox>("chkPharma")->isChecked());
        QCOMPARE(ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Accounting_Year")).toInt(),
                 3);
    }
};

QTEST_MAIN(tst_keyboard)
#include "tst_keyboard.moc"
