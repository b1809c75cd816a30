#pragma once

#include "yearend/MessageSink.h"

class QWidget;

// Shows each message as a modal box titled with the program's name, with a
// single OK button and the icon the caller asks for.
class MessageBoxSink : public MessageSink
{
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : m_parent(parent) {}

    void show(const QString& text, Icon icon) override;

private:
    QWidget* m_parent;
};
