#include "worksheet/LoadShare.h"

#include <algorithm>

void LoadShare::yearLoaded(int rows)
{
    ++m_yearsLoaded;
    m_rows += rows;
    // Work known: what is done, and this year's lookups. Each later year is
    // guessed at the rows per year so far, each row appended and looked up.
    const double perYear = double(m_rows) / m_yearsLoaded;
    double total = double(m_done) + double(rows);
    for (int year = m_yearsLoaded + 1; year <= m_years; ++year)
        total += 2 * perYear;
    m_total = std::max<long long>(1, static_cast<long long>(total));
}

int LoadShare::value()
{
    if (m_total > 0) {
        // Short of the end, the estimate may be short too: hold below the top.
        const long long share = m_done * Max / std::max(m_total, m_done + 1);
        m_last = std::max(m_last, int(std::min<long long>(share, Max - 1)));
    }
    return m_last;
}
