#include "closing/ClosingLedger.h"

#include "core/Amounts.h"
#include "core/DayNumbers.h"
#include "core/Failure.h"
#include "core/Numbers.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "db/Transaction.h"
#include "migration/OpeningMigration.h"
#include "worksheet/AccountWorksheet.h"
#include "worksheet/LoadShare.h"
#include "years/DateQueries.h"
#include "years/LedgerLoad.h"

#include <QDate>

ClosingLedger::ClosingLedger() : m_years(yearHeaders()), m_accounts(accountHeaders())
{
    m_accounts.setNumericColumns({AccOpening, AccDebit, AccCredit, AccBalance, AccNextOpening});
}

void ClosingLedger::loadYears(Session& session)
{
    loadYearsOn(session);
}

void ClosingLedger::load(Session& session, Progress& progress)
{
    // As the window's refresh: one consistent reading of the ledger.
    Transaction reads = Transaction::forReads(session);
    loadYearsOn(session);
    LedgerLoad(session, m_years, m_accounts).loadWorksheet(progress);
    reads.commit();
}

void ClosingLedger::loadYearsOn(Session& session)
{
    m_dialect = session.dialect();
    LedgerLoad(session, m_years, m_accounts).loadYears();
    m_currentYear = DateQueries(session).GetCurrentAccYearDet();
    m_following = OpeningMigration::followingYears(m_years);
    // The year that hands its closings to each year, by the migration's own
    // rule (the year starting the day after, else the id plus 1).
    m_previous.clear();
    for (int r = m_years.rows(); r >= 1; --r) {
        const double year = m_years.numberAt(YrId, r);
        m_previous.insert(followingYear(year), year);
    }
}

QString ClosingLedger::pairKey(const SqlDialect& dialect, const QString& account, double year)
{
    return dialect.idKey(account) + u'\x1f' + Numbers::numberText(year);
}

double ClosingLedger::signedOpening(int row) const
{
    return Amounts::signedBySide(m_accounts.numberAt(AccOpening, row),
                                 m_accounts.readText(AccOpeningType, row));
}

double ClosingLedger::signedClosing(int row) const
{
    return Amounts::signedBySide(m_accounts.numberAt(AccBalance, row),
                                 m_accounts.readText(AccType, row));
}

QString ClosingLedger::yearLabel(double year) const
{
    for (int r = 1; r <= m_years.rows(); ++r) {
        if (m_years.numberAt(YrId, r) != year)
            continue;
        const auto day = [&](int column) {
            const QDateTime moment = DayNumbers::dateTimeOfDay(m_years.numberAt(column, r));
            return moment.date().toString(QStringLiteral("d MMM yyyy"));
        };
        return QStringLiteral("%1 (%2 - %3)")
            .arg(Numbers::numberText(year), day(YrStartValue), day(YrEndValue));
    }
    return Numbers::numberText(year);
}

qint64 ClosingLedger::loadWork(Session& session)
{
    RecordSet rs = session.query(
        QStringLiteral("Select (Select Count(*) from Acc_Master where ParentID %1), (Select "
                       "Count(*) from Acc_Accounting_Year)")
            .arg(QString(AccountWorksheet::ListedParents)));
    const qint64 accounts = rs.eof() ? 0 : qint64(Numbers::ofAnyValue(rs.field(0)));
    const qint64 years = rs.eof() ? 0 : qint64(Numbers::ofAnyValue(rs.field(1)));
    rs.close();
    return LoadShare::work(accounts, years);
}
