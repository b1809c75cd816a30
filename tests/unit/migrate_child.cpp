// A process that connects to a ledger and migrates its accounts, killing
// itself right before its k-th statement of the migration is sent. The kill
// test runs it and then inspects the ledger the dead process left behind.
//
// Usage: quillhaven_migrate_child SERVER K [create]
//   SERVER  the server name typed into the window ("sqlite:FOLDER",
//           "sqliteodbc:FOLDER" or a SQL Server); the Dosavine database is
//           chosen
//   K       the statement of the migration (counted from 1) before which the
//           process dies; 0 lets the migration run to its end
//   create  first creates the next accounting year where the window offers
//           it: the whole year-end, as the Windows build is compared with the
//           Linux one
// Exit codes: 0 migrated, 1 the migration failed, 2 bad arguments, 3 no
// sound worksheet after connecting.

#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/YearEndContext.h"

#include <QCoreApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Dies at once, as a power cut or a killed task would: no destructor runs,
// nothing is rolled back by the process itself.
[[noreturn]] void dieNow()
{
#ifdef Q_OS_WIN
    // An exit code in the range Windows gives a crashed process.
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
#else
    std::raise(SIGKILL);
#endif
    std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool numeric = false;
    const bool create = arguments.size() == 4 && arguments.at(3) == QLatin1String("create");
    const int killAt = arguments.size() == 3 || create ? arguments.at(2).toInt(&numeric) : 0;
    if (!numeric || killAt < 0) {
        std::fputs("usage: quillhaven_migrate_child SERVER K [create]\n", stderr);
        return 2;
    }

    FakeControls controls;
    controls.pharma = true;
    controls.server = arguments.at(1);
    CapturingSink sink;
    YearEndContext context(controls, sink);
    CommandRunner::run(sink, [&] { ConnectCommand(context).run(); });
    if (!context.session().isOpen() || !context.isWorksheetSound()) {
        for (const QString& text : sink.texts())
            std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        return 3;
    }

    if (create && controls.createEnabled) {
        const bool created = CommandRunner::run(sink, [&] { CreateYearCommand(context).run(); });
        if (!created || !sink.messages.isEmpty()) {
            for (const QString& text : sink.texts())
                std::fprintf(stderr, "%s\n", text.toUtf8().constData());
            return 1;
        }
    }

    int sent = 0;
    context.setBeforeStatement([&](const QString&) {
        if (++sent == killAt)
            dieNow();
    });
    const bool migrated = CommandRunner::run(sink, [&] { MigrateCommand(context).run(); });
    if (!migrated || !sink.messages.isEmpty()) {
        for (const QString& text : sink.texts())
            std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        return 1;
    }
    std::printf("%d\n", sent);
    return 0;
}
