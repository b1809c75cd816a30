#pragma once

#include <QString>

class Failure;

// Every message box of the program goes through one sink: the window's shows
// a modal box titled "Quillhaven", the tests' records what would be shown.
class MessageSink
{
public:
    enum class Icon
    {
        None,
        Information,
        Critical
    };

    virtual ~MessageSink() = default;
    virtual void show(const QString& text, Icon icon) = 0;

    // A failure as the operator sees it: its number and its description.
    void showFailure(const Failure& failure);
    static QString failureText(const Failure& failure);

    static QString title() { return QStringLiteral("Quillhaven"); }
};
