#include "app/frmYearEnd.h"

#include "app/WindowLook.h"
#include "app/YearsListView.h"
#include "yearend/ButtonStates.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/RefreshCommand.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

frmYearEnd::frmYearEnd(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_boxPrompts(this), m_context(*this, m_boxPrompts), m_outer(this, OuterWidth, CompactHeight)
{
    setObjectName(QStringLiteral("frmYearEnd"));
    setWindowTitle(QStringLiteral("Quillhaven"));
    setWindowIcon(WindowLook::drawnIcon());
    setAttribute(Qt::WA_QuitOnClose);

    createControls();
    applyLook();
    m_vasAccYear->showList(m_context.accYears());
    setUpTabOrder();
    wireClicks();
    load();
    m_chkPharma->setFocus(Qt::OtherFocusReason);
}

frmYearEnd::~frmYearEnd() = default;

void frmYearEnd::setPrompts(Prompts* prompts)
{
    m_context.setPrompts(prompts ? *prompts : m_boxPrompts);
}

namespace {

// A control with the name the commands and tests know it by, placed where
// the form was designed in twips.
template <typename Widget>
Widget* named(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    WindowLook::place(widget, left, top, width, height);
    return widget;
}

} // namespace

void frmYearEnd::createControls()
{
    // The account worksheet vasAccounts is the context's model with no view:
    // the operator never sees it, and a view would only slow the loading of
    // tens of thousands of rows.
    m_fraMain = named(new QGroupBox(this), "fraMain", 30, -60, 4485, CompactMainHeight);

    m_Frame2 = named(new QGroupBox(QStringLiteral("Select Database"), m_fraMain), "Frame2", 60, 135,
                     4380, 435);
    m_chkPharma = named(new QCheckBox(QStringLiteral("Dosavine"), m_Frame2), "chkPharma", 1215, 165,
                        1710, 225);
    m_chkStores = named(new QCheckBox(QStringLiteral("Bindwell"), m_Frame2), "chkStores", 2955, 165,
                        1275, 225);

    m_Frame4 = named(new QGroupBox(m_fraMain), "Frame4", 60, 480, 4380, 2175);

    // Designed 1140 twips wide from 90, the label cannot hold its caption in
    // Arial 8.25 pt (80 pixels). It starts where the buttons below it start
    // and runs up to the text box instead.
    m_Label1 =
        named(new QLabel(QStringLiteral("Computer Name"), m_Frame4), "Label1", 60, 225, 1200, 210);
    m_txtServer = named(new QLineEdit(m_Frame4), "txtServer", 1275, 180, 1770, 345);

    auto button = [this](const char* name, const QString& caption, int l, int t, int w, int h) {
        auto* b = named(new QPushButton(caption, m_Frame4), name, l, t, w, h);
        b->setAutoDefault(false);
        return b;
    };
    m_cmdConnect = button("cmdConnect", QStringLiteral("Connect"), 3060, 165, 1230, 360);
    m_cmdRefresh = button("cmdRefresh", QStringLiteral("Refresh Data"), 3255, 165, 1035, 360);
    m_cmdAccYrCreate =
        button("cmdAccYrCreate", QStringLiteral("Create Accounting Year"), 60, 615, 2115, 360);
    m_CmdMigrate = button("CmdMigrate", QStringLiteral("Migrate Accounts"), 2190, 615, 2115, 360);
    m_cmdBackUpRes =
        button("cmdBackUpRes", QStringLiteral("BackUp && Restore Database"), 60, 615, 2115, 360);
    m_CmdItemDeletion =
        button("CmdItemDeletion", QStringLiteral("Item Deletion Tool"), 2340, 615, 1695, 360);
    // These have no command the operator may reach; they stay hidden.
    m_cmdRefresh->setHidden(true);
    m_cmdBackUpRes->setHidden(true);
    m_CmdItemDeletion->setHidden(true);

    m_lblMsg = named(new QLabel(m_Frame4), "lblMsg", 105, 1005, 4125, 360);
    m_lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_pbTrans = named(new QProgressBar(m_Frame4), "pbTrans", 60, 1425, 4260, 345);
    m_pbTrans->setRange(0, 1000);
    m_pbTrans->setValue(0);
    m_pbTrans->setTextVisible(false);

    m_cmdShowHide =
        button("cmdShowHide", QStringLiteral("Show Accounting Years"), 1830, 1800, 2475, 315);

    // Frame3 lies partly below fraMain's compact height, which clips it.
    m_Frame3 = named(new QGroupBox(m_fraMain), "Frame3", 60, 2610, 4365, 2400);
    m_vasAccYear = named(new YearsListView(m_Frame3), "vasAccYear", 60, 165, 4260, 2190);
}

void frmYearEnd::applyLook()
{
    QPalette window = palette();
    window.setColor(QPalette::Window, WindowLook::Background);
    setPalette(window);
    setAutoFillBackground(true);
    setFont(WindowLook::arial(9));

    for (QGroupBox* frame : {m_fraMain, m_Frame2, m_Frame3, m_Frame4})
        frame->setAutoFillBackground(true);
    setStyleSheet(WindowLook::frameStyleSheet());
    m_Frame2->raise();
    for (QWidget* small : std::initializer_list<QWidget*>{m_Frame2, m_Frame4, m_chkPharma,
                                                          m_chkStores, m_Label1, m_txtServer})
        small->setFont(WindowLook::arial(8.25));

    // Disabled buttons keep the toolkit's greyed text.
    QPalette buttons = window;
    buttons.setColor(QPalette::Button, WindowLook::ButtonFace);
    buttons.setColor(QPalette::Active, QPalette::ButtonText, Qt::black);
    buttons.setColor(QPalette::Inactive, QPalette::ButtonText, Qt::black);
    for (QPushButton* b : {m_cmdConnect, m_cmdRefresh, m_cmdAccYrCreate, m_CmdMigrate,
                           m_cmdBackUpRes, m_CmdItemDeletion, m_cmdShowHide}) {
        b->setFont(WindowLook::arial(9));
        b->setPalette(buttons);
    }

    QPalette status = window;
    status.setColor(QPalette::WindowText, WindowLook::StatusText);
    m_lblMsg->setPalette(status);
    m_lblMsg->setFont(WindowLook::arial(14.25));
    WindowLook::fitCaption(m_Label1);
}

void frmYearEnd::setUpTabOrder()
{
    QWidget* const order[] = {m_chkPharma,      m_chkStores,       m_txtServer,   m_cmdConnect,
                              m_cmdAccYrCreate, m_CmdMigrate,      m_cmdShowHide, m_vasAccYear,
                              m_cmdBackUpRes,   m_CmdItemDeletion, m_cmdRefresh};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    for (QWidget* still : std::initializer_list<QWidget*>{m_fraMain, m_Frame2, m_Frame3, m_Frame4,
                                                          m_Label1, m_lblMsg, m_pbTrans})
        still->setFocusPolicy(Qt::NoFocus);
}

void frmYearEnd::wireClicks()
{
    connect(m_chkPharma, &QCheckBox::clicked, this, &frmYearEnd::chkPharma_Click);
    connect(m_chkStores, &QCheckBox::clicked, this, &frmYearEnd::chkStores_Click);
    connect(m_cmdShowHide, &QPushButton::clicked, this, &frmYearEnd::cmdShowHide_Click);
    connect(m_cmdConnect, &QPushButton::clicked, this, &frmYearEnd::cmdConnect_Click);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &frmYearEnd::cmdRefresh_Click);
    connect(m_CmdMigrate, &QPushButton::clicked, this, &frmYearEnd::CmdMigrate_Click);
    connect(m_cmdAccYrCreate, &QPushButton::clicked, this, &frmYearEnd::cmdAccYrCreate_Click);
}

void frmYearEnd::load()
{
    setOuterHeight(CompactHeight);
    setFraMainHeight(CompactMainHeight);
    ButtonStates::apply(ButtonStates::Moment::Load, *this);
    m_outer.centre();
}

void frmYearEnd::setOuterHeight(int twips)
{
    m_outer.setHeight(twips);
}

void frmYearEnd::setFraMainHeight(int twips)
{
    m_fraMain->resize(m_fraMain->width(), WindowLook::toPixels(twips));
}

bool frmYearEnd::event(QEvent* e)
{
    const bool handled = QWidget::event(e);
    switch (e->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ActivationChange:
        // The frame's size is known only once the window manager has framed us.
        m_outer.refit();
        break;
    default:
        break;
    }
    return handled;
}

void frmYearEnd::closeEvent(QCloseEvent* e)
{
    // A running command finishes first; the window stays until then.
    if (m_busy)
        e->ignore();
    else
        e->accept();
}

void frmYearEnd::chkPharma_Click()
{
    if (m_chkPharma->isChecked()) {
        m_chkStores->setChecked(false);
        m_chkStores->setEnabled(false);
    } else {
        m_chkStores->setChecked(false);
        m_chkStores->setEnabled(true);
    }
}

void frmYearEnd::chkStores_Click()
{
    if (m_chkStores->isChecked()) {
        m_chkPharma->setChecked(false);
        m_chkPharma->setEnabled(false);
    } else {
        m_chkPharma->setChecked(false);
        m_chkPharma->setEnabled(true);
    }
}

void frmYearEnd::cmdShowHide_Click()
{
    if (m_outer.heightTwips() == ExpandedHeight) {
        setOuterHeight(CompactHeight);
        setFraMainHeight(CompactMainHeight);
    } else {
        setOuterHeight(ExpandedHeight);
        setFraMainHeight(ExpandedMainHeight);
    }
}

void frmYearEnd::runCommand(const std::function<void()>& command)
{
    if (m_busy)
        return;
    // Long work looks like work: the busy pointer, and buttons that look as
    // unable to act as they are.
    m_busy = true;
    // Disabling the buttons moves the focus on; a keyboard user expects it
    // back where the command was started.
    QPointer<QWidget> started = QApplication::focusWidget();
    m_focusMoved = false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    applyButtons();
    try {
        CommandRunner::run(m_context.prompts(), command);
    } catch (...) {
        // Nothing may leave a click handler; the runner already reports what
        // it knows, this is the last resort.
        m_context.prompts().tell(QStringLiteral("Unexpected failure"), Prompts::Icon::Critical);
    }
    m_busy = false;
    QGuiApplication::restoreOverrideCursor();
    applyButtons();
    m_vasAccYear->showActiveYear();
    if (!m_focusMoved && started && isAncestorOf(started))
        giveFocusBack(started);
}

void frmYearEnd::giveFocusBack(QWidget* started)
{
    // The control that started the command, or when it is off now (a
    // finished migration, a created year) the next one that takes the Tab.
    QWidget* next = started;
    do {
        if (next->isEnabled() && next->isVisible() && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
        next = next->nextInFocusChain();
    } while (next && next != started);
}

void frmYearEnd::applyButtons()
{
    m_cmdConnect->setEnabled(!m_busy);
    m_CmdMigrate->setEnabled(m_migrateWanted && !m_busy);
    m_cmdAccYrCreate->setEnabled(m_createWanted && !m_busy);
}

void frmYearEnd::cmdConnect_Click()
{
    runCommand([this] { ConnectCommand(m_context).run(); });
}

void frmYearEnd::cmdRefresh_Click()
{
    runCommand([this] { RefreshCommand(m_context).run(); });
}

void frmYearEnd::CmdMigrate_Click()
{
    runCommand([this] { MigrateCommand(m_context).run(); });
}

void frmYearEnd::cmdAccYrCreate_Click()
{
    runCommand([this] { CreateYearCommand(m_context).run(); });
}

bool frmYearEnd::isPharmaChecked() const
{
    return m_chkPharma->isChecked();
}

bool frmYearEnd::isStoresChecked() const
{
    return m_chkStores->isChecked();
}

QString frmYearEnd::serverText() const
{
    return m_txtServer->text();
}

bool frmYearEnd::isServerEnabled() const
{
    return m_txtServer->isEnabled();
}

void frmYearEnd::focusServer()
{
    // The command chose where the operator goes on.
    m_focusMoved = true;
    m_txtServer->setFocus(Qt::OtherFocusReason);
}

void frmYearEnd::setStatusText(const QString& text)
{
    m_lblMsg->setText(text);
}

QString frmYearEnd::statusText() const
{
    return m_lblMsg->text();
}

void frmYearEnd::setProgress(int value)
{
    const int clamped = std::clamp(value, m_pbTrans->minimum(), m_pbTrans->maximum());
    if (clamped == m_pbTrans->value())
        return;
    // setValue() repaints at once whenever the bar visibly moves: dozens of
    // paints a second while a load appends rows. The loads paint the window
    // every 100 ms (keepPainting), so the move is only marked for that paint.
    m_pbTrans->setUpdatesEnabled(false);
    m_pbTrans->setValue(clamped);
    m_pbTrans->setUpdatesEnabled(true);
}

void frmYearEnd::setMigrateEnabled(bool enabled)
{
    m_migrateWanted = enabled;
    applyButtons();
}

void frmYearEnd::setCreateEnabled(bool enabled)
{
    m_createWanted = enabled;
    applyButtons();
}

void frmYearEnd::setCreateVisible(bool visible)
{
    m_cmdAccYrCreate->setVisible(visible);
}

void frmYearEnd::keepPainting()
{
    // Paint and handle window-system events now and then, but no input: the
    // operator cannot act on the window while a command runs.
    if (m_paintClock.isValid() && m_paintClock.elapsed() < 100)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_paintClock.start();
}
