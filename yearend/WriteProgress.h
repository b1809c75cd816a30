#pragma once

#include <QString>

class FormControls;
class Session;

// What a writing command shows while it runs: the status line says what
// runs, and the bar how many of the statements it expects have gone, as the
// load shows its share. Over a slow link a command of tens of thousands of
// statements takes seconds, and a window that does not move looks hung.
// While it lives it counts every statement the session sends; the window
// repaints every few of them.
class WriteProgress
{
public:
    WriteProgress(Session& session, FormControls& controls, const QString& running,
                  qint64 expectedStatements);
    // A command that did not finish leaves the status line as it found it
    // and the bar empty.
    ~WriteProgress();
    WriteProgress(const WriteProgress&) = delete;
    WriteProgress& operator=(const WriteProgress&) = delete;

    // The command ran to its end: the bar full and the status line saying
    // what it did, or as it was before when the command has no word of its
    // own (an empty text).
    void finish(const QString& status);

private:
    void counted();

    Session& m_session;
    FormControls& m_controls;
    QString m_statusBefore;
    qint64 m_expected;
    qint64 m_sent = 0;
    int m_shown = -1;
    bool m_done = false;
};
