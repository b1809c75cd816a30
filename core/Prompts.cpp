#include "core/Prompts.h"

#include "core/Failure.h"

void Prompts::tellFailure(const Failure& failure)
{
    tell(failure.text(), Icon::Critical);
}
