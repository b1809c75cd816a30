#pragma once

#include "core/Prompts.h"

class QWidget;

// The year-end window's prompts: each message a modal box titled
// "Quillhaven", with a single OK button and the icon the caller asks for,
// shown with the ordinary pointer while a command runs.
class BoxPrompts : public Prompts
{
public:
    explicit BoxPrompts(QWidget* parent = nullptr) : m_parent(parent) {}

    void tell(const QString& text, Icon icon) override;
    bool confirm(const QString& text) override;
    QString chooseFile(const QString& caption, const QString& suggested,
                       const QString& filter) override;
    void open(const QString& path) override;

private:
    QWidget* m_parent;
};
