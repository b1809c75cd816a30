#include "tools/close/CloseTool.h"

#include <QGuiApplication>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // The pack is drawn with fonts, which only a GUI application has; a
    // terminal without a display draws it off screen.
    bool drawing = false;
    for (int i = 1; i < argc; ++i)
        drawing = drawing || qstrncmp(argv[i], "--pdf", 5) == 0;
#ifndef Q_OS_WIN
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    std::unique_ptr<QCoreApplication> app = drawing
                                                ? std::make_unique<QGuiApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CloseTool(out, err).run(QCoreApplication::arguments());
}
