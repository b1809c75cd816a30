#include "bench/BenchReport.h"

#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <functional>

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

using Figure = std::function<double(const PhaseResult&)>;

QList<double> figures(const QList<PhaseResult>& results, const Figure& figure)
{
    QList<double> values;
    for (const PhaseResult& r : results)
        values.append(figure(r));
    std::sort(values.begin(), values.end());
    return values;
}

double median(const QList<PhaseResult>& results, const Figure& figure)
{
    const QList<double> values = figures(results, figure);
    if (values.isEmpty())
        return 0;
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

QString spread(const QList<PhaseResult>& results, const Figure& figure)
{
    const QList<double> values = figures(results, figure);
    return values.isEmpty() ? QString() : ms(values.first()) + u'-' + ms(values.last());
}

const Figure ours = [](const PhaseResult& r) { return r.oursMs; };

} // namespace

void BenchReport::add(QList<Runs>& table, const QList<PhaseResult>& run)
{
    for (const PhaseResult& r : run) {
        auto found = std::find_if(table.begin(), table.end(), [&r](const Runs& runs) {
            return runs.ledger == r.ledger && runs.phase == r.phase;
        });
        if (found == table.end())
            table.append({r.ledger, r.phase, {r}});
        else
            found->results.append(r);
    }
}

const BenchReport::Runs* BenchReport::find(const QList<Runs>& table, const QString& ledger,
                                           const QString& phase)
{
    for (const Runs& runs : table)
        if (runs.ledger == ledger && runs.phase == phase)
            return &runs;
    return nullptr;
}

void BenchReport::addEmbeddedRun(const QList<PhaseResult>& run)
{
    add(m_embedded, run);
}

void BenchReport::addWireRun(int delayMs, const QList<PhaseResult>& run)
{
    add(m_wire[delayMs], run);
}

void BenchReport::print() const
{
    if (!m_embedded.isEmpty())
        printEmbedded();
    for (const QString& note : m_notes)
        line(QStringLiteral("- ") + note);
    if (!m_wire.isEmpty())
        printWire();
}

void BenchReport::printEmbedded() const
{
    line(
        QStringLiteral("| ledger | phase | ours ms | spread | snapshot ms | statements | rows | "
                       "peak RSS MiB | replay ms | set-based ms | ours/replay | ours/set-based |"));
    line(QStringLiteral("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"));
    QMap<QString, double> worst; // by ledger: the largest median ours/replay
    for (const Runs& runs : m_embedded) {
        const PhaseResult& first = runs.results.first();
        long long peak = 0;
        for (const PhaseResult& r : runs.results)
            peak = std::max(peak, r.peakRssKb);
        const double overReplay = median(runs.results, &PhaseResult::overReplay);
        worst[runs.ledger] = std::max(worst.value(runs.ledger), overReplay);
        const double snapshot =
            median(runs.results, [](const PhaseResult& r) { return r.snapshotMs; });
        line(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 | %12 |")
                 .arg(runs.ledger, runs.phase, ms(median(runs.results, ours)),
                      spread(runs.results, ours), snapshot > 0 ? ms(snapshot) : QStringLiteral("-"))
                 .arg(first.statements)
                 .arg(first.rows)
                 .arg(QString::number(static_cast<double>(peak) / 1024.0, 'f', 1))
                 .arg(ms(median(runs.results, [](const PhaseResult& r) { return r.replayMs; })),
                      ms(median(runs.results, [](const PhaseResult& r) { return r.setMs; })),
                      ratio(overReplay), ratio(median(runs.results, &PhaseResult::overSet))));
    }
    line(QString());
    for (const Runs& runs : m_embedded) {
        const PhaseResult& last = runs.results.last();
        QString text =
            QStringLiteral("- %1 %2: set-based result %3").arg(runs.ledger, runs.phase, last.check);
        if (last.autocommitMs > 0)
            text += QStringLiteral("; replay with a transaction per statement %1 ms")
                        .arg(ms(median(runs.results,
                                       [](const PhaseResult& r) { return r.autocommitMs; })));
        line(text);
        for (const QString& m : last.messages)
            line(QStringLiteral("  - message shown: %1").arg(QString(m).replace(u'\n', u' ')));
    }
    line(QString());
    const QString m = QStringLiteral("M");
    line(QStringLiteral("max overhead vs replay (M): %1")
             .arg(worst.contains(m) ? ratio(worst.value(m)) : QStringLiteral("not measured")));
}

void BenchReport::printWire() const
{
    // One column a delay that ran, the first (the smallest) the base.
    const QList<int> delays = m_wire.keys();
    const QList<Runs>& base = m_wire.first();
    line(QString());
    QString head =
        QStringLiteral("| ledger | phase | statements | requests | client CPU us/statement |");
    QString rule = QStringLiteral("|---|---|---:|---:|---:|");
    for (const int delay : delays) {
        head += QStringLiteral(" ms at %1 ms | spread |").arg(delay);
        rule += QStringLiteral("---:|---:|");
    }
    line(head);
    line(rule);
    struct Totals
    {
        long long statements = 0;
        long long requests = 0;
        QMap<int, double> ms; // by delay
    };
    QMap<QString, Totals> totals;
    for (const Runs& runs : base) {
        const PhaseResult& first = runs.results.first();
        Totals& t = totals[runs.ledger];
        t.statements += first.statements;
        t.requests += first.requests;
        const double cpu = median(runs.results, [](const PhaseResult& r) { return r.cpuMs; });
        QString text =
            QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                .arg(runs.ledger, runs.phase)
                .arg(first.statements)
                .arg(first.requests)
                .arg(QString::number(cpu * 1000 / double(std::max(1LL, first.statements)), 'f', 1));
        for (const int delay : delays) {
            const Runs* at = find(m_wire.value(delay), runs.ledger, runs.phase);
            if (!at) {
                text += QStringLiteral(" - | - |");
                continue;
            }
            const double value = median(at->results, ours);
            t.ms[delay] += value;
            text += QStringLiteral(" %1 | %2 |").arg(ms(value), spread(at->results, ours));
        }
        line(text);
    }
    line(QString());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const Totals& t = *it;
        const double at0 = t.ms.value(delays.first());
        line(QStringLiteral("%1: the year-end's %2 statements in %3 requests (%4 requests per "
                            "statement)")
                 .arg(it.key())
                 .arg(t.statements)
                 .arg(t.requests)
                 .arg(QString::number(double(t.requests) / double(std::max(1LL, t.statements)), 'f',
                                      4)));
        line(QStringLiteral("%1: modelled year-end at 20 ms a round trip: %2 s (%3 requests x "
                            "20 ms + %4 s at %5 ms)")
                 .arg(it.key(), QString::number((double(t.requests) * 20 + at0) / 1000, 'f', 1))
                 .arg(t.requests)
                 .arg(QString::number(at0 / 1000, 'f', 1))
                 .arg(delays.first()));
        for (const int delay : delays.mid(1))
            line(QStringLiteral("%1: year-end at %2 ms / at %3 ms: %4")
                     .arg(it.key())
                     .arg(delay)
                     .arg(delays.first())
                     .arg(at0 > 0 ? ratio(t.ms.value(delay) / at0) : QStringLiteral("-")));
    }
}
