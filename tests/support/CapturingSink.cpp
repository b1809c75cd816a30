#include "tests/support/CapturingSink.h"

QStringList CapturingSink::texts() const
{
    QStringList result;
    for (const Message& m : messages)
        result.append(m.text);
    return result;
}
