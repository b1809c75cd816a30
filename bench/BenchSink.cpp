#include "bench/BenchSink.h"

#include <cstdio>

void BenchSink::tell(const QString& text, Icon icon)
{
    const char* kind = icon == Icon::Critical ? "critical" : "message";
    std::fprintf(stderr, "[%s] %s\n", kind, qPrintable(text));
    m_messages.append(text);
}

QStringList BenchSink::take()
{
    QStringList taken;
    taken.swap(m_messages);
    return taken;
}
