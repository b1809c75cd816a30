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
};
