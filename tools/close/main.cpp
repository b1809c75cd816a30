#include "tools/close/CloseTool.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CloseTool(out, err).run(QCoreApplication::arguments());
}
