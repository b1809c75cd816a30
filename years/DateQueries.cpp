#include "years/DateQueries.h"

#include "core/DayNumbers.h"
#include "core/Numbers.h"
#include "db/Session.h"

double DateQueries::GetServerDate()
{
    RecordSet rs = m_session.procedure(QStringLiteral("sproc_GetServerDate"));
    double serverDate = 0;
    if (!rs.eof())
        serverDate = DayNumbers::toDayNumber(rs.field(QStringLiteral("serverdate")));
    if (rs.isOpen())
        rs.close();
    return serverDate;
}

qint32 DateQueries::GetAccYearEndDate()
{
    RecordSet rs = m_session.query(
        QStringLiteral("Select Acc_Yr_End from Acc_Accounting_Year where Active=1"));
    qint32 end = 0;
    if (!rs.eof())
        end = DayNumbers::wholeDay(DayNumbers::toDayNumber(rs.field(QStringLiteral("Acc_yr_End"))));
    rs.close();
    return end;
}

qint32 DateQueries::GetCurrentAccYearDet()
{
    RecordSet rs =
        m_session.query(QStringLiteral("Select * from Acc_Accounting_Year where Active=1"));
    double start = 0;
    double end = 0;
    qint32 id = 0;
    if (!rs.eof()) {
        start = DayNumbers::toDayNumber(rs.field(QStringLiteral("Acc_Yr_Start")));
        end = DayNumbers::toDayNumber(rs.field(QStringLiteral("Acc_Yr_End")));
        // Ids are kept at 32 bits: a long-lived ledger may pass 32767.
        id = Numbers::toInt32(rs.field(QStringLiteral("AccYearId")));
    }
    rs.close();
    const qint32 today = DayNumbers::wholeDay(GetServerDate());
    if (DayNumbers::wholeDay(start) <= today && today <= DayNumbers::wholeDay(end))
        return id;
    return 0;
}

bool DateQueries::IsValidDate(double* latestEnd, bool* noYear)
{
    RecordSet rs =
        m_session.query(QStringLiteral("Select max(Acc_Yr_End) from Acc_Accounting_Year"));
    double latest = 0;
    if (!rs.eof()) {
        if (noYear && rs.field(0).isNull()) {
            rs.close();
            *noYear = true;
            return false;
        }
        latest = DayNumbers::toDayNumber(rs.field(0));
    }
    rs.close();
    if (latestEnd)
        *latestEnd = latest;
    return DayNumbers::wholeDay(latest) < DayNumbers::wholeDay(GetServerDate());
}
