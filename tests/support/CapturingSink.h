#pragma once

#include "core/Prompts.h"

#include <QList>
#include <QString>

// Records every message the program would show, so no test blocks on a box;
// it answers no to every question and chooses no file.
class CapturingSink : public Prompts
{
public:
    struct Message
    {
        QString text;
        Icon icon;
    };

    void tell(const QString& text, Icon icon) override { messages.append({text, icon}); }
    bool confirm(const QString&) override { return false; }
    QString chooseFile(const QString&, const QString&, const QString&) override { return {}; }
    void open(const QString&) override {}
    QStringList texts() const;
    void clear() { messages.clear(); }

    QList<Message> messages;
};
