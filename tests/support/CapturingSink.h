#pragma once

#include "yearend/MessageSink.h"

#include <QList>
#include <QString>

// Records every message the program would show, so no test blocks on a box.
class CapturingSink : public MessageSink
{
public:
    struct Message
    {
        QString text;
        Icon icon;
    };

    void show(const QString& text, Icon icon) override { messages.append({text, icon}); }
    QStringList texts() const;
    void clear() { messages.clear(); }

    QList<Message> messages;
};
