#pragma once

#include <QtGlobal>

// A small deterministic generator (splitmix64). The ledgers must come out the
// same for a seed on every machine and library version, which the standard
// distributions do not promise; everything here is plain integer arithmetic.
class LedgerRandom
{
public:
    explicit LedgerRandom(quint64 seed) : m_state(seed) {}

    // An independent stream for one part of a ledger, so that changing, say,
    // the number of postings leaves the chart of accounts as it was.
    static LedgerRandom stream(quint64 seed, quint64 part)
    {
        LedgerRandom mixer(seed ^ (part * 0xD1B54A32D192ED03ULL));
        return LedgerRandom(mixer.next());
    }

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number from 0 to bound - 1; bound must be positive. The modulo bias is
    // far below anything a demo ledger could show.
    quint64 below(quint64 bound) { return next() % bound; }

    int below(int bound) { return static_cast<int>(below(static_cast<quint64>(bound))); }

    // True in about percent cases out of a hundred.
    bool chance(int percent) { return below(100) < percent; }

private:
    quint64 m_state;
};
