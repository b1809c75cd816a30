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

    m_ui.setupUi(this, CompactMainHeight);
    m_ui.vasAccYear->showList(m_context.accYears());
    wireClicks();
    load();
    m_ui.chkPharma->setFocus(Qt::OtherFocusReason);
}

frmYearEnd::~frmYearEnd() = default;

void frmYearEnd::setPrompts(Prompts* prompts)
{
    m_context.setPrompts(prompts ? *prompts : m_boxPrompts);
}

void frmYearEnd::wireClicks()
{
    connect(m_ui.chkPharma, &QCheckBox::clicked, this, &frmYearEnd::chkPharma_Click);
    connect(m_ui.chkStores, &QCheckBox::clicked, this, &frmYearEnd::chkStores_Click);
    connect(m_ui.cmdShowHide, &QPushButton::clicked, this, &frmYearEnd::cmdShowHide_Click);
    connect(m_ui.cmdConnect, &QPushButton::clicked, this, &frmYearEnd::cmdConnect_Click);
    connect(m_ui.cmdRefresh, &QPushButton::clicked, this, &frmYearEnd::cmdRefresh_Click);
    connect(m_ui.CmdMigrate, &QPushButton::clicked, this, &frmYearEnd::CmdMigrate_Click);
    connect(m_ui.cmdAccYrCreate, &QPushButton::clicked, this, &frmYearEnd::cmdAccYrCreate_Click);
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
    m_ui.fraMain->resize(m_ui.fraMain->width(), WindowLook::toPixels(twips));
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
    if (m_ui.chkPharma->isChecked()) {
        m_ui.chkStores->setChecked(false);
        m_ui.chkStores->setEnabled(false);
    } else {
        m_ui.chkStores->setChecked(false);
        m_ui.chkStores->setEnabled(true);
    }
}

void frmYearEnd::chkStores_Click()
{
    if (m_ui.chkStores->isChecked()) {
        m_ui.chkPharma->setChecked(false);
        m_ui.chkPharma->setEnabled(false);
    } else {
        m_ui.chkPharma->setChecked(false);
        m_ui.chkPharma->setEnabled(true);
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
    m_ui.vasAccYear->showActiveYear();
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
    m_ui.cmdConnect->setEnabled(!m_busy);
    m_ui.CmdMigrate->setEnabled(m_migrateWanted && !m_busy);
    m_ui.cmdAccYrCreate->setEnabled(m_createWanted && !m_busy);
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
    return m_ui.chkPharma->isChecked();
}

bool frmYearEnd::isStoresChecked() const
{
    return m_ui.chkStores->isChecked();
}

QString frmYearEnd::serverText() const
{
    return m_ui.txtServer->text();
}

bool frmYearEnd::isServerEnabled() const
{
    return m_ui.txtServer->isEnabled();
}

void frmYearEnd::focusServer()
{
    // The command chose where the operator goes on.
    m_focusMoved = true;
    m_ui.txtServer->setFocus(Qt::OtherFocusReason);
}

void frmYearEnd::setStatusText(const QString& text)
{
    m_ui.lblMsg->setText(text);
}

QString frmYearEnd::statusText() const
{
    return m_ui.lblMsg->text();
}

void frmYearEnd::setProgress(int value)
{
    const int clamped = std::clamp(value, m_ui.pbTrans->minimum(), m_ui.pbTrans->maximum());
    if (clamped == m_ui.pbTrans->value())
        return;
    // setValue() repaints at once whenever the bar visibly moves: dozens of
    // paints a second while a load appends rows. The loads paint the window
    // every 100 ms (keepPainting), so the move is only marked for that paint.
    m_ui.pbTrans->setUpdatesEnabled(false);
    m_ui.pbTrans->setValue(clamped);
    m_ui.pbTrans->setUpdatesEnabled(true);
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
    m_ui.cmdAccYrCreate->setVisible(visible);
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
