#include "yearend/CommandRunner.h"

#include "core/Failure.h"
#include "core/Prompts.h"

#include <exception>
#include <new>

bool CommandRunner::run(Prompts& prompts, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const Failure& failure) {
        prompts.tellFailure(failure);
    } catch (const std::bad_alloc&) {
        prompts.tellFailure(Failure(Failure::OutOfMemory, QStringLiteral("Out of memory"),
                                    Failure::Kind::Unexpected));
    } catch (const std::exception& e) {
        prompts.tellFailure(
            Failure(Failure::Unexpected, QString::fromUtf8(e.what()), Failure::Kind::Unexpected));
    }
    return false;
}
