#include "tools/close/TerminalProgress.h"

#include <QString>
#include <algorithm>
#include <unistd.h>

TerminalProgress::TerminalProgress(std::FILE* stream)
    : m_stream(stream), m_terminal(isatty(fileno(stream)) == 1)
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
