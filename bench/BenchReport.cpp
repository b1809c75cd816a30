#include "bench/BenchReport.h"

#include <algorithm>
#include <cstdio>

namespace {

void line(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
}

QString ms(double value)
{
    return QString::number(value, 'f', value < 100 ? 1 : 0);
}

QString ratio(double value)
{
    return QString::number(value, 'f', 2);
}

} // namespace

double BenchReport::maxOverReplay(const QString& ledger) const
{
    double worst = 0;
    for (const PhaseResult& r : m_results)
        if (r.ledger == ledger)
            worst = std::max(worst, r.overReplay());
    return worst;
}

void BenchReport::print() const
{
    line(QStringLiteral("| ledger | phase | ours ms | statements | rows | peak RSS MiB | "
                        "replay ms | set-based ms | ours/replay | ours/set-based |"));
    line(QStringLiteral("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"));
    for (const PhaseResult& r : m_results)
        line(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 |")
                 .arg(r.ledger, r.phase, ms(r.oursMs))
                 .arg(r.statements)
                 .arg(r.rows)
                 .arg(QString::number(static_cast<double>(r.peakRssKb) / 1024.0, 'f', 1))
                 .arg(ms(r.replayMs), ms(r.setMs), ratio(r.overReplay()), ratio(r.overSet())));
    line(QString());
    for (const PhaseResult& r : m_results) {
        QString text =
            QStringLiteral("- %1 %2: set-based result %3").arg(r.ledger, r.phase, r.check);
        if (r.autocommitMs > 0)
            text += QStringLiteral("; replay with a transaction per statement %1 ms, "
                                   "ours/that %2")
                        .arg(ms(r.autocommitMs), ratio(r.oursMs / r.autocommitMs));
        line(text);
        for (const QString& m : r.messages)
            line(QStringLiteral("  - message shown: %1").arg(QString(m).replace(u'\n', u' ')));
    }
    for (const QString& note : m_notes)
        line(QStringLiteral("- ") + note);
    line(QString());
    line(QStringLiteral("max overhead vs replay: %1")
             .arg(ratio(maxOverReplay(QStringLiteral("M")))));
}
