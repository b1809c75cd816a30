#pragma once

#include "core/Prompts.h"

#include <QStringList>

// Takes every message the window would show in a box, so nothing blocks the
// run, and keeps it for the report.
class BenchSink : public Prompts
{
public:
    void tell(const QString& text, Icon icon) override;
    bool confirm(const QString&) override { return false; }
    QString chooseFile(const QString&, const QString&, const QString&) override { return {}; }
    void open(const QString&) override {}

    // Messages shown since the last call, emptied.
    QStringList take();

private:
    QStringList m_messages;
};
