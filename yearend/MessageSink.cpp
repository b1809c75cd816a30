#include "yearend/MessageSink.h"

#include "core/Failure.h"

QString MessageSink::failureText(const Failure& failure)
{
    return QStringLiteral("Error %1\n%2").arg(failure.number()).arg(failure.description());
}

void MessageSink::showFailure(const Failure& failure)
{
    show(failureText(failure), Icon::Critical);
}
