#pragma once

#include "core/Progress.h"

#include <QString>

// What the commands need of the window's controls. The window implements it
// with its widgets; core tests implement it with plain fields. The progress
// bar is the loads' Progress.
class FormControls : public Progress
{
public:
    virtual ~FormControls() = default;

    virtual bool isPharmaChecked() const = 0;
    virtual bool isStoresChecked() const = 0;
    virtual QString serverText() const = 0;
    virtual bool isServerEnabled() const = 0;
    virtual void focusServer() = 0;

    virtual void setStatusText(const QString& text) = 0; // lblMsg
    virtual QString statusText() const = 0;
    virtual void setMigrateEnabled(bool enabled) = 0; // CmdMigrate
    virtual void setCreateEnabled(bool enabled) = 0;  // cmdAccYrCreate
    virtual void setCreateVisible(bool visible) = 0;
};
