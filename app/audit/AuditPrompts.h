#pragma once

#include <QString>

class QWidget;

// What the audit window asks of the person at it: a message, a yes or no,
// a file to save to, a page to open. Tests answer in its place.
class AuditPrompts
{
public:
    virtual ~AuditPrompts() = default;

    virtual void tell(const QString& text) = 0;
    // True for yes; the default answer is no.
    virtual bool confirm(const QString& text) = 0;
    // A path to save to, or empty when the person chose none.
    virtual QString saveFile(const QString& caption, const QString& suggested,
                             const QString& filter) = 0;
    // Opens a file in the system's browser.
    virtual void open(const QString& path) = 0;
};

// The prompts as boxes, dialogs and the desktop's browser.
class DesktopPrompts : public AuditPrompts
{
public:
    explicit DesktopPrompts(QWidget* parent) : m_parent(parent) {}

    void tell(const QString& text) override;
    bool confirm(const QString& text) override;
    QString saveFile(const QString& caption, const QString& suggested,
                     const QString& filter) override;
    void open(const QString& path) override;

private:
    QWidget* m_parent;
};
