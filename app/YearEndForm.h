#pragma once

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class YearsListView;

// The year-end window's controls as the form was designed: each by its
// designed name, placed in twips, with its font, colours and tab order. The
// window's behaviour is frmYearEnd's.
class YearEndForm
{
public:
    // Makes the controls on window, fraMain mainHeight twips high.
    void setupUi(QWidget* window, int mainHeight);

    QGroupBox* fraMain = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* chkPharma = nullptr;
    QCheckBox* chkStores = nullptr;
    QGroupBox* Frame4 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtServer = nullptr;
    QPushButton* cmdConnect = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdAccYrCreate = nullptr;
    QPushButton* CmdMigrate = nullptr;
    QPushButton* cmdBackUpRes = nullptr;
    QPushButton* CmdItemDeletion = nullptr;
    QLabel* lblMsg = nullptr;
    QProgressBar* pbTrans = nullptr;
    QPushButton* cmdShowHide = nullptr;
    QGroupBox* Frame3 = nullptr;
    YearsListView* vasAccYear = nullptr;

private:
    void createControls(QWidget* window, int mainHeight);
    void applyLook(QWidget* window);
    void setUpTabOrder();
};
