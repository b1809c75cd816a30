#include "bench/AuditBench.h"
#include "bench/BenchLedger.h"
#include "bench/BenchReport.h"
#include "bench/BenchServer.h"
#include "bench/YearEndBench.h"
#include "db/SessionOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The embedded ledger's runs: ours and its floors, phase by phase, on a fresh
// copy each time.
bool runEmbedded(const BenchLedger& built, int runs, BenchReport& report)
{
    bool allRan = true;
    for (int run = 0; run < runs; ++run) {
        const std::unique_ptr<BenchLedger> ledger = built.copy();
        YearEndBench bench(*ledger, ledger->server());
        allRan = bench.run() && allRan;
        report.addEmbeddedRun(bench.results());
        if (run > 0)
            continue;
        // After an earlier ledger the process reuses the memory it freed, so
        // the growth of RSS says nothing about this one.
        const QString rssPerRow =
            bench.rssBytesPerRow() > 0
                ? QString::number(bench.rssBytesPerRow(), 'f', 0)
                : QStringLiteral("(not measurable after an earlier ledger: freed memory reused)");
        const BenchLedger::Size& size = built.size();
        report.addNote(
            QStringLiteral(
                "%1: %2 accounts, %3 years, %4 postings; %5 worksheet rows "
                "after connect; worksheet %6 bytes/row by RSS growth less the statement log, %7 "
                "bytes/row by the model's cells")
                .arg(size.name)
                .arg(size.accounts)
                .arg(size.years)
                .arg(size.postings)
                .arg(bench.worksheetRows())
                .arg(rssPerRow)
                .arg(bench.modelBytesPerRow(), 0, 'f', 0));
    }
    return allRan;
}

// The same year-end over the TDS test server, with no delay and with 1 ms
// added to every request, the runs of the two alternating.
bool runWire(const BenchLedger& built, int runs, const QList<int>& delays,
             const SessionOptions& options, BenchReport& report)
{
    bool allRan = true;
    for (int run = 0; run < runs; ++run) {
        for (const int delay : delays) {
            const std::unique_ptr<BenchLedger> ledger = built.copy();
            BenchServer server(ledger->folder());
            if (!server.isRunning()) {
                std::fprintf(stderr, "%s\n", qPrintable(server.error()));
                return false;
            }
            server.setDelayMs(delay);
            YearEndBench bench(*ledger, server.serverName(), &server, options);
            allRan = bench.run() && allRan;
            report.addWireRun(delay, bench.results());
        }
    }
    return allRan;
}

} // namespace

// Runs the year-end on generated ledgers through the real window, offscreen,
// and prints what each phase cost beside SQLite's own floors, or over SQL
// Server's wire to the TDS test server.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillhaven-bench"));
    // The snapshots the commands keep go to a folder of the run's own.
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures connect, Migrate Accounts, Create Accounting Year and Migrate "
                       "Accounts again on generated ledgers: on the embedded ledger against a "
                       "replay of the same statements and a set-based floor, or over the TDS "
                       "test server with no delay, 1 ms and 20 ms a request."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Ledger size S, M or L (repeatable). "
                                                       "Default: S and M."),
                                        QStringLiteral("S|M|L"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("embedded (default): the SQLite ledger, measured against its floors; "
                       "tds: SQL Server's wire to the TDS test server."),
        QStringLiteral("embedded|tds"), QStringLiteral("embedded"));
    const QCommandLineOption runsOption(
        QStringLiteral("runs"), QStringLiteral("Runs of every phase; the tables show medians."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption delaysOption(
        QStringLiteral("delays"),
        QStringLiteral("With --server tds: the delays per request to run with, in ms (a LAN, "
                       "a VPN)."),
        QStringLiteral("0,1,20"), QStringLiteral("0,1,20"));
    const QCommandLineOption auditOption(
        QStringLiteral("audit"),
        QStringLiteral("Instead: the audit window's check and preview against quillhaven-close's "
                       "on the embedded ledger."));
    const QCommandLineOption batchOption(
        QStringLiteral("batch"),
        QStringLiteral("With --server tds: how many statements and characters one request may "
                       "hold (to measure other sizes than the program's)."),
        QStringLiteral("STATEMENTS,CHARACTERS"));
    parser.addOptions(
        {sizeOption, serverOption, runsOption, delaysOption, auditOption, batchOption});
    parser.process(app);

    QStringList sizes = parser.values(sizeOption);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("S"), QStringLiteral("M")};
    const bool wire = parser.value(serverOption) == QLatin1String("tds");
    if (!wire && parser.value(serverOption) != QLatin1String("embedded")) {
        std::fprintf(stderr, "unknown server %s: use embedded or tds\n",
                     qPrintable(parser.value(serverOption)));
        return 2;
    }
    const int runs = std::max(1, parser.value(runsOption).toInt());
    SessionOptions options;
    if (parser.isSet(batchOption)) {
        const QStringList limits = parser.value(batchOption).split(u',');
        options.batchStatements = std::max(1, limits.value(0).toInt());
        options.batchCharacters = std::max<qsizetype>(1, limits.value(1).toLongLong());
    }
    QList<int> delays;
    for (const QString& delay : parser.value(delaysOption).split(u',', Qt::SkipEmptyParts))
        delays.append(std::max(0, delay.trimmed().toInt()));

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
        std::fprintf(stderr, "built in %.1f s; running the year-end %d times ...\n",
                     static_cast<double>(building.elapsed()) / 1000.0, runs);
        if (parser.isSet(auditOption)) {
            allRan = AuditBench(ledger, runs).run() && allRan;
            continue;
        }
        allRan = (wire ? runWire(ledger, runs, delays, options, report)
                       : runEmbedded(ledger, runs, report)) &&
                 allRan;
    }
    if (!parser.isSet(auditOption))
        report.print();
    return allRan ? 0 : 1;
}
