#include "tests/support/WindowDriver.h"

#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"

bool WindowDriver::click(const std::function<void()>& command)
{
    sink.clear();
    return CommandRunner::run(sink, command) && sink.messages.isEmpty();
}

bool WindowDriver::connect()
{
    controls.pharma = true;
    controls.server = server;
    return click([this] { ConnectCommand(context).run(); }) && context.isWorksheetSound();
}

bool WindowDriver::migrate()
{
    return click([this] { MigrateCommand(context).run(); });
}

bool WindowDriver::createYear()
{
    return click([this] { CreateYearCommand(context).run(); });
}
