#include "app/frmYearEnd.h"
#include "tests/gui/WindowTest.h"
#include "tests/support/CapturingSink.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

int px(int twips)
{
    return twips / 15;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

// The main window as the operator meets it: layout, start state, the locked
// check boxes and the layout toggle.
class tst_frmYearEnd : public WindowTest
{
    Q_OBJECT

private:
private slots:
    void init() { openWindow(); }
    void cleanup() { m_window.reset(); }

    void window()
    {
        QCOMPARE(m_window->objectName(), QStringLiteral("frmYearEnd"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillhaven"));
        QVERIFY(!m_window->windowIcon().isNull());
        // Fixed size, no minimize or maximize box.
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_window->palette().color(QPalette::Window), QColor(236, 233, 216));
        QCOMPARE(m_window->font().family(), QStringLiteral("Arial"));
        QCOMPARE(m_window->font().pointSizeF(), 9.0);

        auto* status = control<QLabel>("lblMsg");
        QCOMPARE(status->font().pointSizeF(), 14.25);
        QCOMPARE(status->palette().color(QPalette::Active, QPalette::WindowText),
                 QColor(128, 128, 255));
        for (const char* name : {"Frame2", "Frame4", "chkPharma", "chkStores", "Label1"})
            QCOMPARE(control<QWidget>(name)->font().pointSizeF(), 8.25);
        QCOMPARE(control<QLineEdit>("txtServer")->font().pointSizeF(), 8.25);
        // "Computer Name" whole, at its font's own letter spacing, clear of
        // the text box.
        auto* computerName = control<QLabel>("Label1");
        QCOMPARE(computerName->font().letterSpacing(), 0.0);
        QVERIFY(QFontMetricsF(computerName->font()).horizontalAdvance(computerName->text()) <=
                computerName->width());
        QVERIFY(computerName->geometry().right() < control<QLineEdit>("txtServer")->x());
        for (auto* button : m_window->findChildren<QPushButton*>()) {
            QCOMPARE(button->font().pointSizeF(), 9.0);
            QCOMPARE(button->palette().color(QPalette::Button), QColor(212, 208, 200));
        }
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("enabled");

        auto row = [](const char* name, const char* container, const char* caption, int l, int t,
                      int w, int h, bool visible, bool enabled) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                                << QString::fromLatin1(caption) << QRect(l, t, w, h) << visible
                                << enabled;
        };
        row("fraMain", "frmYearEnd", "", 30, -60, 4485, 2730, true, true);
        row("Frame2", "fraMain", "Select Database", 60, 135, 4380, 435, true, true);
        row("chkPharma", "Frame2", "Dosavine", 1215, 165, 1710, 225, true, true);
        row("chkStores", "Frame2", "Bindwell", 2955, 165, 1275, 225, true, true);
        row("Frame4", "fraMain", "", 60, 480, 4380, 2175, true, true);
        row("Label1", "Frame4", "Computer Name", 60, 225, 1200, 210, true, true);
        row("txtServer", "Frame4", "", 1275, 180, 1770, 345, true, true);
        row("cmdConnect", "Frame4", "Connect", 3060, 165, 1230, 360, true, true);
        row("cmdRefresh", "Frame4", "Refresh Data", 3255, 165, 1035, 360, false, true);
        row("cmdAccYrCreate", "Frame4", "Create Accounting Year", 60, 615, 2115, 360, true, false);
        row("CmdMigrate", "Frame4", "Migrate Accounts", 2190, 615, 2115, 360, true, false);
        row("cmdBackUpRes", "Frame4", "BackUp && Restore Database", 60, 615, 2115, 360, false,
            true);
        row("CmdItemDeletion", "Frame4", "Item Deletion Tool", 2340, 615, 1695, 360, false, true);
        row("lblMsg", "Frame4", "", 105, 1005, 4125, 360, true, true);
        row("pbTrans", "Frame4", "", 60, 1425, 4260, 345, true, true);
        row("cmdShowHide", "Frame4", "Show Accounting Years", 1830, 1800, 2475, 315, true, true);
        row("Frame3", "fraMain", "", 60, 2610, 4365, 2400, true, true);
        row("vasAccYear", "Frame3", "", 60, 165, 4260, 2190, true, true);
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(bool, visible);
        QFETCH(bool, enabled);

        auto* widget = m_window->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(),
                 QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
        QCOMPARE(widget->isVisibleTo(m_window.get()), visible);
        QCOMPARE(widget->isEnabled(), enabled);

        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            text = box->title();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            text = edit->text();
        QCOMPARE(text, caption);
    }

    // A person must read every caption whole, whatever font stands in for Arial.
    void captionsFit()
    {
        for (auto* label : m_window->findChildren<QLabel*>()) {
            const double need = QFontMetricsF(label->font()).horizontalAdvance(label->text());
            QVERIFY2(need <= label->width(), qPrintable(label->objectName()));
        }
        for (auto* box : m_window->findChildren<QCheckBox*>())
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->objectName()));
        for (auto* button : m_window->findChildren<QPushButton*>()) {
            if (button->isHidden())
                continue; // never seen
            const QString shown = button->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
            QVERIFY2(button->fontMetrics().horizontalAdvance(shown) + 4 <= button->width(),
                     qPrintable(button->objectName()));
        }
        auto* view = control<QTableView>("vasAccYear");
        const QFontMetrics header(view->horizontalHeader()->font());
        for (int column : {1, 3, 5}) {
            const QString caption = view->model()->headerData(column, Qt::Horizontal).toString();
            QVERIFY2(header.horizontalAdvance(caption) < view->columnWidth(column),
                     qPrintable(caption));
        }
    }

    void startState()
    {
        QCOMPARE(m_window->outerWidthTwips(), 4620);
        QCOMPARE(m_window->outerHeightTwips(), 3090);
        QCOMPARE(m_window->frameGeometry().size(), QSize(px(4620), px(3090)));
        QVERIFY(!control<QCheckBox>("chkPharma")->isChecked());
        QVERIFY(!control<QCheckBox>("chkStores")->isChecked());
        QCOMPARE(control<QProgressBar>("pbTrans")->minimum(), 0);
        QCOMPARE(control<QProgressBar>("pbTrans")->maximum(), 1000);
        QCOMPARE(control<QProgressBar>("pbTrans")->value(), 0);
        QCOMPARE(QApplication::focusWidget(), control<QWidget>("chkPharma"));
        // The doubled ampersand shows as one and makes no access key.
        QVERIFY(QKeySequence::mnemonic(control<QPushButton>("cmdBackUpRes")->text()).isEmpty());
        QVERIFY(m_sink.messages.isEmpty());
    }

    void tabOrder()
    {
        const QStringList expected = {
            QStringLiteral("chkPharma"),      QStringLiteral("chkStores"),
            QStringLiteral("txtServer"),      QStringLiteral("cmdConnect"),
            QStringLiteral("cmdAccYrCreate"), QStringLiteral("CmdMigrate"),
            QStringLiteral("cmdShowHide"),    QStringLiteral("vasAccYear"),
            QStringLiteral("cmdBackUpRes"),   QStringLiteral("CmdItemDeletion"),
            QStringLiteral("cmdRefresh")};
        QStringList chain;
        QWidget* start = control<QWidget>("chkPharma");
        QWidget* w = start;
        do {
            if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty())
                chain.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != start);
        QCOMPARE(chain, expected);

        // The keyboard walks the enabled, visible ones in that order.
        const QStringList reached = {QStringLiteral("chkStores"),  QStringLiteral("txtServer"),
                                     QStringLiteral("cmdConnect"), QStringLiteral("cmdShowHide"),
                                     QStringLiteral("vasAccYear"), QStringLiteral("chkPharma")};
        for (const QString& name : reached) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
        }
    }

    void checkBoxLock_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("other");
        QTest::newRow("pharma locks stores")
            << QStringLiteral("chkPharma") << QStringLiteral("chkStores");
        QTest::newRow("stores locks pharma")
            << QStringLiteral("chkStores") << QStringLiteral("chkPharma");
    }
    void checkBoxLock()
    {
        QFETCH(QString, first);
        QFETCH(QString, other);
        auto* a = m_window->findChild<QCheckBox*>(first);
        auto* b = m_window->findChild<QCheckBox*>(other);

        QTest::mouseClick(a, Qt::LeftButton);
        QVERIFY(a->isChecked());
        QVERIFY(!b->isChecked());
        QVERIFY(!b->isEnabled());
        QVERIFY(m_window->isPharmaChecked() != m_window->isStoresChecked());

        // The locked box does not take a click.
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(!b->isChecked());
        QVERIFY(a->isChecked());

        QTest::mouseClick(a, Qt::LeftButton);
        QVERIFY(!a->isChecked());
        QVERIFY(!b->isChecked());
        QVERIFY(b->isEnabled());
        QVERIFY(a->isEnabled());

        // Unlocked again, the other box can now take its turn.
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(b->isChecked());
        QVERIFY(!a->isEnabled());
    }

    void showHideToggle()
    {
        auto* toggle = control<QPushButton>("cmdShowHide");
        auto* main = control<QWidget>("fraMain");
        auto* frame3 = control<QWidget>("Frame3");
        auto* years = control<QTableView>("vasAccYear");

        // Compact: fraMain's bottom cuts through Frame3, the list is not seen.
        QVERIFY(frame3->y() < main->height());
        QVERIFY(frame3->geometry().bottom() > main->height());
        QVERIFY(years->visibleRegion().isEmpty());

        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(m_window->outerHeightTwips(), 5400);
        QCOMPARE(m_window->frameGeometry().size(), QSize(px(4620), px(5400)));
        QCOMPARE(main->height(), px(5055));
        QVERIFY(frame3->geometry().bottom() < main->height());
        QVERIFY(frame3->geometry().bottom() < m_window->height());
        QVERIFY(!years->visibleRegion().isEmpty());
        QCOMPARE(toggle->text(), QStringLiteral("Show Accounting Years"));

        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(m_window->outerHeightTwips(), 3090);
        QCOMPARE(m_window->frameGeometry().size(), QSize(px(4620), px(3090)));
        QCOMPARE(main->height(), px(2730));
        QVERIFY(years->visibleRegion().isEmpty());
        QCOMPARE(toggle->text(), QStringLiteral("Show Accounting Years"));
        QCOMPARE(m_window->outerWidthTwips(), 4620);
    }

    void anyOtherHeightIsCompact_data()
    {
        QTest::addColumn<int>("height");
        for (int h : {5385, 5415, 5399, 3090, 4000})
            QTest::newRow(qPrintable(QString::number(h))) << h;
    }
    void anyOtherHeightIsCompact()
    {
        QFETCH(int, height);
        m_window->setOuterHeight(height);
        QTest::mouseClick(control<QPushButton>("cmdShowHide"), Qt::LeftButton);
        QCOMPARE(m_window->outerHeightTwips(), 5400);
        QCOMPARE(control<QWidget>("fraMain")->height(), px(5055));
        QCOMPARE(m_window->frameGeometry().width(), px(4620));
    }

    void worksheetHasNoView()
    {
        GridModel* worksheet = &m_window->context().accounts();
        for (int layout = 0; layout < 2; ++layout) {
            const auto views = m_window->findChildren<QTableView*>();
            QCOMPARE(views.size(), 1);
            QCOMPARE(views.front()->objectName(), QStringLiteral("vasAccYear"));
            QVERIFY(views.front()->model() != worksheet);
            QTest::mouseClick(control<QPushButton>("cmdShowHide"), Qt::LeftButton);
        }
        QCOMPARE(worksheet->columns(), 11);
    }

    void yearsList()
    {
        auto* view = control<QTableView>("vasAccYear");
        QCOMPARE(view->model(), &m_window->context().accYears());
        for (int column : {0, 2, 4})
            QVERIFY(view->isColumnHidden(column));
        for (int column : {1, 3, 5})
            QVERIFY(!view->isColumnHidden(column));
        QCOMPARE(view->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Acc Year Start"));
        QCOMPARE(view->font().pointSizeF(), 8.25);

        // Widths follow the designed proportions, and a date fits its column.
        const QFontMetrics metrics(view->font());
        const int date = metrics.horizontalAdvance(QStringLiteral("01/04/2005"));
        QVERIFY(view->columnWidth(1) >= view->columnWidth(3));
        QVERIFY(view->columnWidth(3) > date);
        QVERIFY(view->columnWidth(5) < view->columnWidth(3));
        QVERIFY(view->verticalHeader()->width() < view->columnWidth(5));

        // The view shows what the model shows for a written date.
        GridModel& years = m_window->context().accYears();
        years.writeAt(YearEndContext::YrStart, 1, QDate(2005, 4, 1));
        QCOMPARE(view->model()->index(0, 1).data().toString(), years.readText(2, 1));
    }

    void progress_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("shown");
        QTest::newRow("inside") << 500 << 500;
        QTest::newRow("below") << -5 << 0;
        QTest::newRow("above") << 36000 << 1000;
        QTest::newRow("top") << 1000 << 1000;
    }
    void progress()
    {
        QFETCH(int, value);
        QFETCH(int, shown);
        auto* bar = control<QProgressBar>("pbTrans");
        PaintCounter counter;
        bar->installEventFilter(&counter);
        m_window->setProgress(value);
        QCOMPARE(bar->value(), shown);
        // Not painted inside the call, but by the next round of events, once
        // when it moved; not again for the same value.
        QCOMPARE(counter.paints, 0);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, shown == 0 ? 0 : 1);
        m_window->setProgress(value);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, shown == 0 ? 0 : 1);
        bar->removeEventFilter(&counter);
    }

    void keepPaintingPaintsPendingUpdates()
    {
        auto* status = control<QLabel>("lblMsg");
        PaintCounter counter;
        status->installEventFilter(&counter);
        m_window->setStatusText(QStringLiteral("Server Connected"));
        m_window->keepPainting();
        QVERIFY(counter.paints >= 1);
        status->removeEventFilter(&counter);
    }

    void closingEndsTheProgram()
    {
        // The program's own event loop ends when the window closes; the second
        // timer only keeps a broken build from hanging here.
        QTimer::singleShot(0, m_window.get(), [this] { m_window->close(); });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(30000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!m_window->isVisible());
    }
};

QTEST_MAIN(tst_frmYearEnd)
#include "tst_frmYearEnd.moc"
