#pragma once

#include "yearend/FormControls.h"

#include <QString>
#include <QStringList>

// The window's controls as plain fields, for core tests without widgets.
class FakeControls : public FormControls
{
public:
    bool pharma = false;
    bool stores = false;
    QString server;
    bool serverEnabled = true;
    int focusServerCalls = 0;
    QString status;
    int progress = 0;
    int maxProgress = 0;
    int progressCalls = 0;
    int paintCalls = 0;
    bool migrateEnabled = false;
    bool createEnabled = false;
    bool createVisible = true;

    bool isPharmaChecked() const override { return pharma; }
    bool isStoresChecked() const override { return stores; }
    QString serverText() const override { return server; }
    bool isServerEnabled() const override { return serverEnabled; }
    void focusServer() override { ++focusServerCalls; }
    void setStatusText(const QString& text) override { status = text; }
    QString statusText() const override { return status; }
    void setProgress(int value) override;
    void setMigrateEnabled(bool enabled) override { migrateEnabled = enabled; }
    void setCreateEnabled(bool enabled) override { createEnabled = enabled; }
    void setCreateVisible(bool visible) override { createVisible = visible; }
    void keepPainting() override { ++paintCalls; }
};
