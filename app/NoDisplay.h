#pragma once

#include <QtGlobal>
#include <cstdio>

// Without a display Qt aborts with a text about platform plugins that tells
// an operator nothing: a window program says so in its own words instead.
// True when there is no display (the text is then on standard error).
inline bool noDisplayFor(const char* program)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "%s: no display to show the window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or on a virtual "
                     "display: xvfb-run -a %s\n",
                     program, program);
        return true;
    }
#else
    Q_UNUSED(program);
#endif
    return false;
}
