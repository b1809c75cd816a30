#pragma once

#include "bench/PhaseResult.h"

#include <QList>
#include <QString>

// Prints the results as Markdown: the table of phases, then the summary
// lines, the last one the largest overhead over replay on the M ledger.
class BenchReport
{
public:
    void add(const QList<PhaseResult>& results) { m_results.append(results); }
    void addNote(const QString& line) { m_notes.append(line); }

    void print() const;
    // The largest ours/replay over the given ledger's phases; 0 if none ran.
    double maxOverReplay(const QString& ledger) const;

private:
    QList<PhaseResult> m_results;
    QStringList m_notes;
};
