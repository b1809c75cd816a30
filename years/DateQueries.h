#pragma once

#include <QtGlobal>

class Session;

// The program's questions about dates, each answered by one query on the
// open connection. The current date is always the server's.
class DateQueries
{
public:
    explicit DateQueries(Session& session) : m_session(session) {}

    // The server's date and time as a day number; 0 when no row comes back.
    double GetServerDate();
    // Whole day of the active year's last day; 0 when no year is active.
    qint32 GetAccYearEndDate();
    // Id of the active year when the server's date lies within it, else 0.
    qint32 GetCurrentAccYearDet();
    // True once the latest year's last day is past. latestEnd, when given,
    // gets that last day as a day number. A table without a year's end makes
    // the latest end Null: Failure 94, unless noYear is given, which is then
    // set and the answer is false.
    bool IsValidDate(double* latestEnd = nullptr, bool* noYear = nullptr);

private:
    Session& m_session;
};
