#include "app/audit/frmAudit.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("quillhaven-audit: no display to show the window on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or on a virtual "
                   "display: xvfb-run -a quillhaven-audit\n",
                   stderr);
        return 1;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillhaven"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillhaven Audit"));
    QApplication::setOrganizationName(QStringLiteral("Quillhaven"));

    frmAudit window;
    window.show();
    return QApplication::exec();
}
