#pragma once

#include "core/GridColumns.h"
#include "core/GridModel.h"
#include "db/SqlDialect.h"

#include <QHash>
#include <QString>
#include <optional>

class Progress;
class Session;

// The ledger as the window's refresh loads it, for the closing tool: the
// accounting-years list and the account worksheet with its balances, read
// inside one read transaction where the server allows, plus what the
// migration would look up (the current year, the following years).
class ClosingLedger : public GridColumns
{
public:
    ClosingLedger();

    // The years list only, with the current and following years: enough
    // for the check and the proof, which work set-based.
    void loadYears(Session& session);
    // How much work load() will report on a ledger (LoadShare::work): the
    // accounts of every year and the opening lookups, counted with one query.
    static qint64 loadWork(Session& session);
    // The years and the worksheet with its balances, as the window does.
    void load(Session& session, Progress& progress);

    const GridModel& years() const { return m_years; }
    const GridModel& accounts() const { return m_accounts; }
    // The year whose closings the migration sets to 0 (0 when the server's
    // clock is in no active year).
    qint32 currentYear() const noexcept { return m_currentYear; }
    // The year each listed year hands its closings to.
    double followingYear(double year) const { return m_following.value(year, year + 1); }
    // The year before, by the same rule; -1 when none is listed.
    double previousYear(double year) const { return m_previous.value(year, -1); }

    // How the database the ledger was loaded from compares account ids.
    const SqlDialect& dialect() const { return *m_dialect; }
    // An account and a year as one key, the account as the database
    // compares it (SqlDialect::idKey).
    static QString pairKey(const SqlDialect& dialect, const QString& account, double year);
    QString pairKey(const QString& account, double year) const
    {
        return pairKey(*m_dialect, account, year);
    }
    double yearOf(int row) const { return m_accounts.numberAt(AccYearId, row); }
    // A worksheet row's opening and closing, debit positive.
    double signedOpening(int row) const;
    double signedClosing(int row) const;
    // "3 (1 Apr 2002 - 31 Mar 2003)", or the bare id of a year not listed.
    QString yearLabel(double year) const;

private:
    void loadYearsOn(Session& session);

    GridModel m_years;
    GridModel m_accounts;
    std::optional<SqlDialect> m_dialect;
    qint32 m_currentYear = 0;
    QHash<double, double> m_following;
    QHash<double, double> m_previous;
};
