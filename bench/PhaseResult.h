#pragma once

#include <QString>
#include <QStringList>

// What one phase of the year-end cost, ours beside its two floors.
struct PhaseResult
{
    QString ledger;
    QString phase;
    double oursMs = 0;
    double cpuMs = 0;      // the program's own processor time in the phase
    double snapshotMs = 0; // of ours, the snapshot kept before the first write
    long long statements = 0;
    long long requests = -1; // round trips to the server; -1 where not counted
    long long rows = 0;
    long long peakRssKb = 0;
    double replayMs = 0;
    double setMs = 0;
    double autocommitMs = 0; // replay with one transaction per statement
    long long setRows = 0;
    QString check; // does the set-based end state equal ours
    QStringList messages;

    double overReplay() const { return replayMs > 0 ? oursMs / replayMs : 0; }
    double overSet() const { return setMs > 0 ? oursMs / setMs : 0; }
};
