#pragma once

#include <QString>

// What the commands need of the window's controls. The window implements it
// with its widgets; core tests implement it with plain fields.
class FormControls
{
public:
    virtual ~FormControls() = default;

    virtual bool isPharmaChecked() const = 0;
    virtual bool isStoresChecked() const = 0;
    virtual QString serverText() const = 0;
    virtual bool isServerEnabled() const = 0;
    virtual void focusServer() = 0;

    virtual void setStatusText(const QString& text) = 0;  // lblMsg
    virtual void setProgress(int value) = 0;             // pbTrans, 0 to 1000
    virtual void setMigrateEnabled(bool enabled) = 0;    // CmdMigrate
    virtual void setCreateEnabled(bool enabled) = 0;     // cmdAccYrCreate
    virtual void setCreateVisible(bool visible) = 0;

    // Called now and then during long loads, so the window can repaint.
    virtual void keepPainting() {}
};
