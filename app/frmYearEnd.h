#pragma once

#include "app/BoxPrompts.h"
#include "app/OuterSize.h"
#include "app/YearEndForm.h"
#include "core/Prompts.h"
#include "yearend/FormControls.h"
#include "yearend/YearEndContext.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

// The program's one window. It owns the connection and the two grids (through
// the context), lays out the controls, locks the two database check boxes
// against each other, toggles between the compact and the expanded layout and
// hands every button click to its command.
class frmYearEnd : public QWidget, public FormControls
{
    Q_OBJECT

public:
    static constexpr int OuterWidth = 4620;
    static constexpr int CompactHeight = 3090;
    static constexpr int ExpandedHeight = 5400;
    static constexpr int CompactMainHeight = 2730;
    static constexpr int ExpandedMainHeight = 5055;

    explicit frmYearEnd(QWidget* parent = nullptr);
    ~frmYearEnd() override;

    YearEndContext& context() { return m_context; }
    // Where messages go; nullptr restores the window's own message boxes.
    void setPrompts(Prompts* prompts);

    // The window's outer size in twips, as last set (title bar and border
    // included once the window manager has told us their size).
    int outerWidthTwips() const noexcept { return m_outer.widthTwips(); }
    int outerHeightTwips() const noexcept { return m_outer.heightTwips(); }
    void setOuterHeight(int twips);

    // FormControls
    bool isPharmaChecked() const override;
    bool isStoresChecked() const override;
    QString serverText() const override;
    bool isServerEnabled() const override;
    void focusServer() override;
    void setStatusText(const QString& text) override;
    QString statusText() const override;
    void setProgress(int value) override;
    void setMigrateEnabled(bool enabled) override;
    void setCreateEnabled(bool enabled) override;
    void setCreateVisible(bool visible) override;
    void keepPainting() override;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private slots:
    void chkPharma_Click();
    void chkStores_Click();
    void cmdShowHide_Click();
    void cmdConnect_Click();
    void cmdRefresh_Click();
    void CmdMigrate_Click();
    void cmdAccYrCreate_Click();

private:
    void wireClicks();
    void load();
    void setFraMainHeight(int twips);
    void runCommand(const std::function<void()>& command);
    // The command buttons as the commands left them, none while one runs.
    void applyButtons();
    void giveFocusBack(QWidget* started);

    BoxPrompts m_boxPrompts;
    YearEndContext m_context;

    OuterSize m_outer;
    bool m_busy = false;
    bool m_focusMoved = false;    // a command put the focus where it wants it
    bool m_migrateWanted = false; // as the commands set them
    bool m_createWanted = false;
    QElapsedTimer m_paintClock;

    YearEndForm m_ui;
};
