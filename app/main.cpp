#include "app/frmYearEnd.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display Qt aborts with a text about platform plugins that
    // tells an operator nothing.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("quillhaven: no display to show the window on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or on a virtual "
                   "display: xvfb-run -a quillhaven\n",
                   stderr);
        return 1;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillhaven"));

    // The window is the program: closing it ends the run.
    frmYearEnd window;
    window.show();
    return QApplication::exec();
}
