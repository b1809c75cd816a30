#pragma once

#include "closing/AuditWorker.h"

#include <QString>
#include <functional>

class Prompts;

// What a page of the audit window asks of the window: run work on the
// ledger off the window's thread, and the prompts to speak with.
class AuditHost
{
public:
    virtual ~AuditHost() = default;

    // Runs the job with the progress bar and Cancel; `done` then runs on the
    // window's thread, only when the job finished without failure or
    // cancel. A failure is told as a message saying what to do.
    virtual void run(const QString& what, AuditWorker::Job job, std::function<void()> done) = 0;
    virtual Prompts& prompts() = 0;
};
