#pragma once

#include "bench/PhaseResult.h"

#include <QList>
#include <QMap>
#include <QString>

// Prints the results as Markdown. Each phase ran several times on fresh
// copies of its ledger; the tables show medians and the spread of ours. The
// embedded table sets ours beside its floors; the wire table sets the same
// year-end over the TDS test server with no delay beside 1 ms a request.
class BenchReport
{
public:
    // One run of the whole year-end on the embedded ledger.
    void addEmbeddedRun(const QList<PhaseResult>& run);
    // One run over the TDS test server with a delay per request.
    void addWireRun(int delayMs, const QList<PhaseResult>& run);
    void addNote(const QString& line) { m_notes.append(line); }

    void print() const;

private:
    // The runs of one phase of one ledger, in the order they were added.
    struct Runs
    {
        QString ledger;
        QString phase;
        QList<PhaseResult> results;
    };
    static void add(QList<Runs>& table, const QList<PhaseResult>& run);
    static const Runs* find(const QList<Runs>& table, const QString& ledger, const QString& phase);
    void printEmbedded() const;
    void printWire() const;

    QList<Runs> m_embedded;
    QMap<int, QList<Runs>> m_wire; // by delay per request
    QStringList m_notes;
};
