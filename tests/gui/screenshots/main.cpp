// Photographs the window at each step of closing a year, for the README:
// quillhaven_window_screenshots SERVER FOLDER writes FOLDER/window-*.png.
// Run it on a display (scripts/screenshots.sh uses a virtual one).

#include "app/frmYearEnd.h"
#include "tests/support/CapturingSink.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

namespace {

bool shoot(frmYearEnd& window, const QString& folder, const char* name)
{
    QTest::qWait(300); // let the window manager and the paint settle
    const QString path =
        QDir(folder).filePath(QStringLiteral("window-%1.png").arg(QLatin1String(name)));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

template <typename T> T* control(frmYearEnd& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillhaven"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SERVER FOLDER\n", argv[0]);
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);

    frmYearEnd window;
    CapturingSink sink; // a box would wait for a click nobody makes
    window.setPrompts(&sink);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 2;
    bool ok = shoot(window, folder, "1-start");

    QTest::mouseClick(control<QCheckBox>(window, "chkPharma"), Qt::LeftButton);
    control<QLineEdit>(window, "txtServer")->setText(server);
    QTest::mouseClick(control<QPushButton>(window, "cmdConnect"), Qt::LeftButton);
    ok = ok && sink.messages.isEmpty() && shoot(window, folder, "2-connected");

    QTest::mouseClick(control<QPushButton>(window, "cmdShowHide"), Qt::LeftButton);
    ok = ok && shoot(window, folder, "3-years");

    QTest::mouseClick(control<QPushButton>(window, "cmdAccYrCreate"), Qt::LeftButton);
    ok = ok && sink.messages.isEmpty() && shoot(window, folder, "4-year-created");

    QTest::mouseClick(control<QPushButton>(window, "CmdMigrate"), Qt::LeftButton);
    ok = ok && sink.messages.isEmpty() && shoot(window, folder, "5-migrated");

    for (const CapturingSink::Message& m : sink.messages)
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
    return ok ? 0 : 1;
}
