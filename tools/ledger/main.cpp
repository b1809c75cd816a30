// quillhaven-ledger: builds demo and test ledgers as SQLite files.

#include "core/Failure.h"
#include "tools/ledger/LedgerBuilder.h"
#include "tools/ledger/LedgerOptions.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillhaven-ledger"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    LedgerOptions options;
    switch (options.parse(QCoreApplication::arguments())) {
    case LedgerOptions::Outcome::Help:
        out << options.helpText();
        return 0;
    case LedgerOptions::Outcome::Invalid:
        err << "quillhaven-ledger: " << options.error() << "\n"
            << "Try 'quillhaven-ledger --help' for the options.\n";
        return 2;
    case LedgerOptions::Outcome::Build:
        break;
    }

    try {
        LedgerBuilder builder(options);
        builder.build();
        for (const QString& line : builder.summary())
            out << line << "\n";
    } catch (const Failure& failure) {
        err << "quillhaven-ledger: " << failure.description() << "\n";
        return 1;
    }
    return 0;
}
