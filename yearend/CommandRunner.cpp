#include "yearend/CommandRunner.h"

#include "core/Failure.h"
#include "yearend/MessageSink.h"

#include <exception>
#include <new>

bool CommandRunner::run(MessageSink& sink, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const Failure& failure) {
        sink.showFailure(failure);
    } catch (const std::bad_alloc&) {
        sink.showFailure(Failure(Failure::OutOfMemory, QStringLiteral("Out of memory")));
    } catch (const std::exception& e) {
        sink.showFailure(Failure(Failure::Unexpected, QString::fromUtf8(e.what())));
    }
    return false;
}
