#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// A control of the window by its object name; a missing one ends the test
// program at once, since every later step would only fail less clearly.
template <typename T> T* requireChild(const QObject& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("control %s not found", name);
    return found;
}
