#include "app/NoDisplay.h"
#include "app/ProcessEnd.h"
#include "app/audit/frmAudit.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (noDisplayFor("quillhaven-audit"))
        return 1;
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Quillhaven"));
        QApplication::setApplicationDisplayName(QStringLiteral("Quillhaven Audit"));
        QApplication::setOrganizationName(QStringLiteral("Quillhaven"));

        frmAudit window;
        window.show();
        result = QApplication::exec();
    } // the worker thread, the ledger and the archive are closed here
    return endProcess(result);
}
