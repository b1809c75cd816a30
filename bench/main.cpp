#include "bench/BenchLedger.h"
#include "bench/BenchReport.h"
#include "bench/YearEndBench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <cstdio>

// Runs the year-end on generated ledgers through the real window, offscreen,
// and prints what each phase cost beside SQLite's own floors.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillhaven-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures connect, Migrate Accounts, Create Accounting Year and Migrate "
                       "Accounts again on generated ledgers against a replay of the same "
                       "statements and a set-based floor."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Ledger size S, M or L (repeatable). "
                                                       "Default: S and M."),
                                        QStringLiteral("S|M|L"));
    parser.addOption(sizeOption);
    parser.process(app);

    QStringList sizes = parser.values(sizeOption);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("S"), QStringLiteral("M")};

    BenchReport report;
    bool allRan = true;
    for (const QString& name : sizes) {
        const BenchLedger::Size* size = BenchLedger::sizeNamed(name);
        if (!size) {
            std::fprintf(stderr, "unknown size %s: use S, M or L\n", qPrintable(name));
            return 2;
        }
        BenchLedger ledger(*size);
        QElapsedTimer building;
        building.start();
        std::fprintf(stderr, "building ledger %s ...\n", qPrintable(size->name));
        if (!ledger.build()) {
            std::fprintf(stderr, "ledger %s not built: %s\n", qPrintable(size->name),
                         qPrintable(ledger.error()));
            return 1;
        }
        std::fprintf(stderr, "built in %.1f s; running the year-end ...\n",
                     static_cast<double>(building.elapsed()) / 1000.0);
        YearEndBench bench(ledger);
        allRan = bench.run() && allRan;
        report.add(bench.results());
        // After an earlier ledger the process reuses the memory it freed, so
        // the growth of RSS says nothing about this one.
        const QString rssPerRow =
            bench.rssBytesPerRow() > 0
                ? QString::number(bench.rssBytesPerRow(), 'f', 0)
                : QStringLiteral("(not measurable after an earlier ledger: freed memory reused)");
        report.addNote(
            QStringLiteral(
                "%1: %2 accounts, %3 years, %4 postings; %5 worksheet rows "
                "after connect; worksheet %6 bytes/row by RSS growth less the statement log, %7 "
                "bytes/row by the model's cells")
                .arg(size->name)
                .arg(size->accounts)
                .arg(size->years)
                .arg(size->postings)
                .arg(bench.worksheetRows())
                .arg(rssPerRow)
                .arg(bench.modelBytesPerRow(), 0, 'f', 0));
    }
    report.print();
    return allRan ? 0 : 1;
}
