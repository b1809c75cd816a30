#pragma once

#include <QStringList>

class BenchLedger;

// The audit window's check and preview on a ledger, end to end (the click to
// the table shown), beside quillhaven-close's check and preview of the same
// ledger run as a program, and the auditor's pack drawn and attested by the
// program. Prints tables of medians in milliseconds.
class AuditBench
{
public:
    AuditBench(const BenchLedger& ledger, int runs) : m_ledger(ledger), m_runs(runs) {}

    // False when a run failed (its message on standard error).
    bool run();

private:
    // The window's job behind a button, from the click until it is idle.
    double windowMs(const char* button, int& rowsShown);
    double toolMs(const QStringList& command);

    const BenchLedger& m_ledger;
    int m_runs;
    bool m_failed = false;
};
