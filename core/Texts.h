#pragma once

#include <QString>

// Texts as the windows and reports show them.
class Texts
{
public:
    Texts() = delete;

    // A cell text without its leading and trailing blanks (spaces only).
    static QString trimBlanks(const QString& text);
    // A count with its noun: "1 account", "3 accounts".
    static QString counted(qint64 count, const char* one, const char* many);
    // A text for a message box: every run without a blank or line break
    // longer than `most` characters (a long path, a long server name) keeps
    // its beginning and its end around an ellipsis, so that the box fits on
    // the screen.
    static QString cutLongNames(const QString& text, qsizetype most = 100);
};
