#include "bench/AuditBench.h"

#include "app/audit/AuditTable.h"
#include "app/audit/frmAudit.h"
#include "bench/BenchLedger.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Runs the window's job behind a button and waits until the window is idle.
double clickAndTime(frmAudit& window, const char* button)
{
    QEventLoop loop;
    QObject::connect(&window, &frmAudit::idle, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    loop.exec();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

double AuditBench::windowMs(const char* button, int& rowsShown)
{
    frmAudit window;
    window.findChild<QLineEdit*>(QStringLiteral("txtServer"))->setText(m_ledger.server());
    clickAndTime(window, "cmdOpen");
    const double ms = clickAndTime(window, button);
    const char* table = QByteArray(button) == "cmdCheck" ? "tblFindings" : "tblPreviewChanges";
    rowsShown = window.findChild<AuditTable*>(QString::fromLatin1(table))->rowCount();
    return ms;
}

double AuditBench::toolMs(const QStringList& command)
{
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(QH_CLOSE_TOOL),
               QStringList{QStringLiteral("--profile"), QStringLiteral("Dosavine"),
                           QStringLiteral("--server"), m_ledger.server()} +
                   command);
    tool.waitForFinished(-1);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() > 1) {
        std::fprintf(stderr, "quillhaven-close %s: %s\n", qPrintable(command.join(u' ')),
                     tool.readAllStandardError().constData());
        m_failed = true;
    }
    return ms;
}

bool AuditBench::run()
{
    std::printf("| ledger | work | window ms | quillhaven-close ms | window/close | rows shown |\n"
                "|---|---|---:|---:|---:|---:|\n");
    for (const auto& [button, command] :
         {std::pair{"cmdCheck", "check"}, std::pair{"cmdPreview", "preview"}}) {
        QList<double> window;
        QList<double> tool;
        int rows = 0;
        for (int r = 0; r < m_runs; ++r) {
            window.append(windowMs(button, rows));
            tool.append(toolMs({QString::fromLatin1(command)}));
        }
        std::printf("| %s | %s | %.0f | %.0f | %.2f | %d |\n", qPrintable(m_ledger.size().name),
                    command, median(window), median(tool),
                    median(window) / std::max(1.0, median(tool)), rows);
    }
    // The auditor's pack: drawn, then the ledger attested by it.
    const QString pdf = m_ledger.folder() + QStringLiteral("/pack.pdf");
    QList<double> pack;
    QList<double> attest;
    for (int r = 0; r < m_runs; ++r) {
        pack.append(toolMs({QStringLiteral("report"), QStringLiteral("--pdf"), pdf}));
        attest.append(toolMs({QStringLiteral("attest"), QStringLiteral("--pdf"), pdf}));
    }
    std::printf("\n| ledger | report --pdf ms | attest --pdf ms | pack KiB |\n"
                "|---|---:|---:|---:|\n| %s | %.0f | %.0f | %.0f |\n",
                qPrintable(m_ledger.size().name), median(pack), median(attest),
                double(QFileInfo(pdf).size()) / 1024);
    std::fflush(stdout);
    return !m_failed;
}
