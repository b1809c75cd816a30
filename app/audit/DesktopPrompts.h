#pragma once

#include "core/Prompts.h"

class QWidget;

// The audit window's prompts: boxes titled with the program's name, the
// file dialog and the desktop's browser.
class DesktopPrompts : public Prompts
{
public:
    explicit DesktopPrompts(QWidget* parent) : m_parent(parent) {}

    void tell(const QString& text, Icon icon) override;
    bool confirm(const QString& text) override;
    QString chooseFile(const QString& caption, const QString& suggested,
                       const QString& filter) override;
    void open(const QString& path) override;

private:
    QWidget* m_parent;
};
