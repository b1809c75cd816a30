#pragma once

#include <QString>

class Failure;

// What the program asks of the person at a window: a message to read, a yes
// or no, a file to save to, a file to open. Each window answers through its
// own boxes and dialogs; tests answer in their place.
class Prompts
{
public:
    enum class Icon
    {
        None,
        Information,
        Critical
    };

    virtual ~Prompts() = default;

    virtual void tell(const QString& text, Icon icon) = 0;
    // True for yes; the default answer is no.
    virtual bool confirm(const QString& text) = 0;
    // A path to save to, or empty when the person chose none.
    virtual QString chooseFile(const QString& caption, const QString& suggested,
                               const QString& filter) = 0;
    // Opens a file as the desktop opens it (a report in the browser).
    virtual void open(const QString& path) = 0;

    // A failure as the person reads it (Failure::text).
    void tellFailure(const Failure& failure);
};
