#include "app/NoDisplay.h"
#include "app/frmYearEnd.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (noDisplayFor("quillhaven"))
        return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillhaven"));

    // The window is the program: closing it ends the run.
    frmYearEnd window;
    window.show();
    return QApplication::exec();
}
