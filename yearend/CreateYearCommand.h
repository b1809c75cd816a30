#pragma once

class YearEndContext;

// The click of cmdAccYrCreate: opens the next accounting year once the
// server's date is past the latest year's end, all or nothing, and
// recomputes the balances.
class CreateYearCommand
{
public:
    explicit CreateYearCommand(YearEndContext& context) : m_context(context) {}

    void run();

private:
    YearEndContext& m_context;
};
