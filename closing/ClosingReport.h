#pragma once

#include "closing/LedgerCheck.h"

#include <QList>
#include <QString>

class ClosingLedger;

// The closing figures per account and year, as the worksheet computes them:
// as CSV for a spreadsheet, and as one self-contained HTML page (totals per
// year and the check's findings on top) that prints on A4.
class ClosingReport
{
public:
    ClosingReport(const ClosingLedger& ledger, QList<LedgerCheck::Finding> findings,
                  QString ledgerName)
        : m_ledger(ledger), m_findings(std::move(findings)), m_ledgerName(std::move(ledgerName))
    {
    }

    QString csv() const;
    QString html() const;
    // A line on the ledger's snapshot archive (its chain and head), shown
    // under the heading.
    void setArchiveState(QString state) { m_archiveState = std::move(state); }

    // Writes a report whole or not at all (Failure::FileAccess naming it).
    static void save(const QString& path, const QString& text);

private:
    QString totalsTable() const;
    QString yearSection(double year) const;

    const ClosingLedger& m_ledger;
    QList<LedgerCheck::Finding> m_findings;
    QString m_ledgerName;
    QString m_archiveState;
};
