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
    // The runs without delay, or with the smallest delay that ran.
    const QList<Runs> noDelay = m_wire.first();
    const QList<Runs> oneMs = m_wire.value(1);
    line(QString());
    line(QStringLiteral("| ledger | phase | statements | requests | ms at 0 ms | spread | "
                        "ms at 1 ms | spread | 1 ms / 0 ms |"));
    line(QStringLiteral("|---|---|---:|---:|---:|---:|---:|---:|---:|"));
    struct Totals
    {
        long long statements = 0;
        long long requests = 0;
        double at0 = 0;
        double at1 = 0;
    };
    QMap<QString, Totals> totals;
    for (const Runs& runs : noDelay) {
        const Runs* slow = find(oneMs, runs.ledger, runs.phase);
        const PhaseResult& first = runs.results.first();
        const double at0 = median(runs.results, ours);
        const double at1 = slow ? median(slow->results, ours) : 0;
        Totals& t = totals[runs.ledger];
        t.statements += first.statements;
        t.requests += first.requests;
        t.at0 += at0;
        t.at1 += at1;
        line(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 |")
                 .arg(runs.ledger, runs.phase)
                 .arg(first.statements)
                 .arg(first.requests)
                 .arg(ms(at0), spread(runs.results, ours), slow ? ms(at1) : QStringLiteral("-"),
                      slow ? spread(slow->results, ours) : QStringLiteral("-"),
                      at0 > 0 && slow ? ratio(at1 / at0) : QStringLiteral("-")));
    }
    line(QString());
    if (totals.contains(QStringLiteral("L"))) {
        const Totals& l = totals.value(QStringLiteral("L"));
        line(
            QStringLiteral("modelled L year-end at 20 ms a round trip: %1 s (%2 requests x 20 ms "
                           "+ %3 s at 0 ms)")
                .arg(QString::number((static_cast<double>(l.requests) * 20 + l.at0) / 1000, 'f', 1))
                .arg(l.requests)
                .arg(QString::number(l.at0 / 1000, 'f', 1)));
    }
    const auto m = totals.constFind(QStringLiteral("M"));
    if (m == totals.cend()) {
        line(QStringLiteral("requests per statement (M): not measured"));
        line(QStringLiteral("1 ms / 0 ms (M): not measured"));
        return;
    }
    line(QStringLiteral("requests per statement: %1 (M)")
             .arg(QString::number(static_cast<double>(m->requests) /
                                      static_cast<double>(std::max(1LL, m->statements)),
                                  'f', 4)));
    line(QStringLiteral("1 ms / 0 ms: %1 (M)")
             .arg(m->at0 > 0 && m->at1 > 0 ? ratio(m->at1 / m->at0)
                                           : QStringLiteral("not measured")));
}
