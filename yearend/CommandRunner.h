#pragma once

#include <functional>

class MessageSink;

// Runs one command for a click handler: a Failure stops the command and is
// shown to the operator with its number and description; nothing escapes.
class CommandRunner
{
public:
    // Returns true when the command ran to its end.
    static bool run(MessageSink& sink, const std::function<void()>& command);
};
