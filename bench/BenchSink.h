#pragma once

#include "yearend/MessageSink.h"

#include <QStringList>

// Takes every message the window would show in a box, so nothing blocks the
// run, and keeps it for the report.
class BenchSink : public MessageSink
{
public:
    void show(const QString& text, Icon icon) override;

    // Messages shown since the last call, emptied.
    QStringList take();

private:
    QStringList m_messages;
};
