#include "app/YearEndForm.h"

#include "app/WindowLook.h"
#include "app/YearsListView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

void YearEndForm::setupUi(QWidget* window, int mainHeight)
{
    createControls(window, mainHeight);
    applyLook(window);
    setUpTabOrder();
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

void YearEndForm::createControls(QWidget* window, int mainHeight)
{
    // The account worksheet vasAccounts is the context's model with no view:
    // the operator never sees it, and a view would only slow the loading of
    // tens of thousands of rows.
    fraMain = named(new QGroupBox(window), "fraMain", 30, -60, 4485, mainHeight);

    Frame2 = named(new QGroupBox(QStringLiteral("Select Database"), fraMain), "Frame2", 60, 135,
                   4380, 435);
    chkPharma =
        named(new QCheckBox(QStringLiteral("Dosavine"), Frame2), "chkPharma", 1215, 165, 1710, 225);
    chkStores =
        named(new QCheckBox(QStringLiteral("Bindwell"), Frame2), "chkStores", 2955, 165, 1275, 225);

    Frame4 = named(new QGroupBox(fraMain), "Frame4", 60, 480, 4380, 2175);

    // Designed 1140 twips wide from 90, the label cannot hold its caption in
    // Arial 8.25 pt (80 pixels). It starts where the buttons below it start
    // and runs up to the text box instead.
    Label1 =
        named(new QLabel(QStringLiteral("Computer Name"), Frame4), "Label1", 60, 225, 1200, 210);
    txtServer = named(new QLineEdit(Frame4), "txtServer", 1275, 180, 1770, 345);

    auto button = [this](const char* name, const QString& caption, int l, int t, int w, int h) {
        auto* b = named(new QPushButton(caption, Frame4), name, l, t, w, h);
        b->setAutoDefault(false);
        return b;
    };
    cmdConnect = button("cmdConnect", QStringLiteral("Connect"), 3060, 165, 1230, 360);
    cmdRefresh = button("cmdRefresh", QStringLiteral("Refresh Data"), 3255, 165, 1035, 360);
    cmdAccYrCreate =
        button("cmdAccYrCreate", QStringLiteral("Create Accounting Year"), 60, 615, 2115, 360);
    CmdMigrate = button("CmdMigrate", QStringLiteral("Migrate Accounts"), 2190, 615, 2115, 360);
    cmdBackUpRes =
        button("cmdBackUpRes", QStringLiteral("BackUp && Restore Database"), 60, 615, 2115, 360);
    CmdItemDeletion =
        button("CmdItemDeletion", QStringLiteral("Item Deletion Tool"), 2340, 615, 1695, 360);
    // These have no command the operator may reach; they stay hidden.
    cmdRefresh->setHidden(true);
    cmdBackUpRes->setHidden(true);
    CmdItemDeletion->setHidden(true);

    lblMsg = named(new QLabel(Frame4), "lblMsg", 105, 1005, 4125, 360);
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    pbTrans = named(new QProgressBar(Frame4), "pbTrans", 60, 1425, 4260, 345);
    pbTrans->setRange(0, 1000);
    pbTrans->setValue(0);
    pbTrans->setTextVisible(false);

    cmdShowHide =
        button("cmdShowHide", QStringLiteral("Show Accounting Years"), 1830, 1800, 2475, 315);

    // Frame3 lies partly below fraMain's compact height, which clips it.
    Frame3 = named(new QGroupBox(fraMain), "Frame3", 60, 2610, 4365, 2400);
    vasAccYear = named(new YearsListView(Frame3), "vasAccYear", 60, 165, 4260, 2190);
}

void YearEndForm::applyLook(QWidget* window)
{
    QPalette background = window->palette();
    background.setColor(QPalette::Window, WindowLook::Background);
    window->setPalette(background);
    window->setAutoFillBackground(true);
    window->setFont(WindowLook::arial(9));

    for (QGroupBox* frame : {fraMain, Frame2, Frame3, Frame4})
        frame->setAutoFillBackground(true);
    window->setStyleSheet(WindowLook::frameStyleSheet());
    Frame2->raise();
    for (QWidget* small :
         std::initializer_list<QWidget*>{Frame2, Frame4, chkPharma, chkStores, Label1, txtServer})
        small->setFont(WindowLook::arial(8.25));

    // Disabled buttons keep the toolkit's greyed text.
    QPalette buttons = background;
    buttons.setColor(QPalette::Button, WindowLook::ButtonFace);
    buttons.setColor(QPalette::Active, QPalette::ButtonText, Qt::black);
    buttons.setColor(QPalette::Inactive, QPalette::ButtonText, Qt::black);
    for (QPushButton* b : {cmdConnect, cmdRefresh, cmdAccYrCreate, CmdMigrate, cmdBackUpRes,
                           CmdItemDeletion, cmdShowHide}) {
        b->setFont(WindowLook::arial(9));
        b->setPalette(buttons);
    }

    QPalette status = background;
    status.setColor(QPalette::WindowText, WindowLook::StatusText);
    lblMsg->setPalette(status);
    lblMsg->setFont(WindowLook::arial(14.25));
    WindowLook::fitCaption(Label1);
}

void YearEndForm::setUpTabOrder()
{
    QWidget* const order[] = {chkPharma,      chkStores,       txtServer,   cmdConnect,
                              cmdAccYrCreate, CmdMigrate,      cmdShowHide, vasAccYear,
                              cmdBackUpRes,   CmdItemDeletion, cmdRefresh};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    for (QWidget* still :
         std::initializer_list<QWidget*>{fraMain, Frame2, Frame3, Frame4, Label1, lblMsg, pbTrans})
        still->setFocusPolicy(Qt::NoFocus);
}
