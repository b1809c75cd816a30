#pragma once

#include <functional>

class Prompts;

// Runs one command for a click handler: a Failure stops the command and is
// shown to the operator with its number and description; nothing escapes.
class CommandRunner
{
public:
    // Returns true when the command ran to its end.
    static bool run(Prompts& prompts, const std::function<void()>& command);
};
