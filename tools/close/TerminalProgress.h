#pragma once

#include "core/Progress.h"

#include <QElapsedTimer>
#include <cstdio>

// A long load's progress on a terminal: a bar with the rows done and the
// time left, redrawn on one line of standard error. Silent when standard
// error is not a terminal (a pipe or a file gets no bar characters).
class TerminalProgress : public Progress
{
public:
    explicit TerminalProgress(std::FILE* stream);
    ~TerminalProgress() override;

    // The rows the load will read in all (account rows and opening
    // lookups), so the bar can say how far it is.
    void expect(qint64 rows);
    // Clears the bar's line.
    void finish();

    void setProgress(int) override {}
    void keepPainting() override;

private:
    void draw();

    std::FILE* m_stream;
    bool m_terminal;
    qint64 m_expected = 0;
    qint64 m_done = 0;
    qint64 m_lastDraw = -1000;
    QElapsedTimer m_clock;
};
