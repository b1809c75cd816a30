#include "tools/close/TerminalProgress.h"

#include <QString>
#include <algorithm>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Whether the stream is a terminal that takes the bar's escapes. A Windows
// console takes them once asked to (Windows 10 and later); a pipe, a file or
// an older console gets no bar.
bool takesEscapes(std::FILE* stream)
{
#ifdef Q_OS_WIN
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    return isatty(fileno(stream)) == 1;
#endif
}

} // namespace

TerminalProgress::TerminalProgress(std::FILE* stream)
    : m_stream(stream), m_terminal(takesEscapes(stream))
{
    m_clock.start();
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::expect(qint64 rows)
{
    m_expected = rows;
    m_done = 0;
    m_clock.restart();
}

void TerminalProgress::finish()
{
    if (m_terminal && m_lastDraw >= 0) {
        std::fputs("\r\033[K", m_stream);
        std::fflush(m_stream);
    }
    m_lastDraw = -1000;
}

void TerminalProgress::keepPainting()
{
    ++m_done;
    // A redraw five times a second is enough for the eye.
    if (m_terminal && m_clock.elapsed() - m_lastDraw >= 200)
        draw();
}

void TerminalProgress::draw()
{
    const qint64 elapsed = m_clock.elapsed();
    m_lastDraw = elapsed;
    const qint64 expected = std::max(m_expected, m_done);
    const double share = expected > 0 ? double(m_done) / double(expected) : 0;
    constexpr int kWidth = 30;
    const int filled = int(share * kWidth);
    QString line = QStringLiteral("\r[") + QString(filled, u'#') + QString(kWidth - filled, u'.') +
                   QStringLiteral("] %1 of %2 rows").arg(m_done).arg(expected);
    if (share > 0.02) {
        const qint64 left = qint64(double(elapsed) * (1 - share) / share / 1000.0 + 0.5);
        line += QStringLiteral(", about %1 s left").arg(left);
    }
    std::fputs(line.toLocal8Bit().constData(), m_stream);
    std::fputs("\033[K", m_stream);
    std::fflush(m_stream);
}
