#include "yearend/WriteProgress.h"

#include "db/Session.h"
#include "yearend/FormControls.h"

#include <algorithm>

namespace {

constexpr int kMax = 1000;
// The window repaints after this many statements; more often would cost
// the embedded ledger more than its statements do.
constexpr qint64 kPaintEvery = 64;

} // namespace

WriteProgress::WriteProgress(Session& session, FormControls& controls, const QString& running,
                             qint64 expectedStatements)
    : m_session(session), m_controls(controls), m_statusBefore(controls.statusText()),
      m_expected(std::max<qint64>(expectedStatements, 1))
{
    m_controls.setStatusText(running);
    m_controls.setProgress(0);
    m_controls.keepPainting();
    m_session.setOnStatement([this] { counted(); });
}

WriteProgress::~WriteProgress()
{
    m_session.setOnStatement({});
    if (m_done)
        return;
    m_controls.setStatusText(m_statusBefore);
    m_controls.setProgress(0);
}

void WriteProgress::finish(const QString& status)
{
    m_done = true;
    m_session.setOnStatement({});
    m_controls.setProgress(kMax);
    m_controls.setStatusText(status.isEmpty() ? m_statusBefore : status);
}

void WriteProgress::counted()
{
    ++m_sent;
    // An estimate may fall short: the bar waits just below full for the end.
    const int value = int(std::min<qint64>(kMax - 1, m_sent * kMax / m_expected));
    if (value != m_shown) {
        m_shown = value;
        m_controls.setProgress(value);
    }
    if (m_sent % kPaintEvery == 0)
        m_controls.keepPainting();
}
