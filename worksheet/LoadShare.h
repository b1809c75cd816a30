#pragma once

// How far a worksheet load is, as a value of the bar's 0..1000. The work is
// the account rows appended and one opening lookup a row; once the first
// year's rows are in, the rest is estimated from the rows per year so far and
// corrected year by year. The value never goes back and reaches 1000 only at
// the end.
class LoadShare
{
public:
    static constexpr int Max = 1000;

    explicit LoadShare(int years) : m_years(years) {}

    // The whole work of a load of so many accounts over so many years: the
    // rows appended and their lookups.
    static long long work(long long accounts, long long years) { return 2 * accounts * years; }

    // A year's accounts are all in: rows is how many it added.
    void yearLoaded(int rows);
    // One unit of work done: a row appended or an opening looked up.
    void step() { ++m_done; }
    int value();

private:
    int m_years;
    int m_yearsLoaded = 0;
    long long m_rows = 0; // rows appended so far
    long long m_done = 0;
    long long m_total = 0; // 0 until the first year's rows are known
    int m_last = 0;
};
