#pragma once

#include <QString>

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
    // The checks made inside the write transaction, before anything changes;
    // false (with the message shown and the transaction rolled back) when the
    // year must not be created.
    bool checkUnderLock();
    void refuse(const QString& message);
    void readBackId(int row);

    YearEndContext& m_context;
    // The old active year was turned off by the check, ahead of the first
    // insert.
    bool m_deactivated = false;
};
