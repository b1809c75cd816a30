#pragma once

class YearEndContext;

// The click of cmdAccYrCreate: opens the next accounting year once the
// server's date is past the latest year's end.
class YearCreation
{
public:
    explicit YearCreation(YearEndContext& context) : m_context(context) {}

    void run();
    void InsertNewAccYear();
    void LoadNewYearAccounts();

private:
    YearEndContext& m_context;
};
