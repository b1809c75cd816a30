#pragma once

#include "closing/AccountFigures.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

class ClosingLedger;
class Progress;
class Session;

// Is the ledger fit to close? What in the books would make a closing wrong
// or surprising: postings that reach no worksheet row, openings the
// worksheet cannot read as meant, years that do not chain, and per year
// the trial balance and whether the openings are carried forward yet.
class LedgerCheck
{
public:
    // Rows of the ledger as a table: the names of the columns, then values.
    struct Rows
    {
        QStringList columns;
        QList<QVariantList> values;
    };

    struct Finding
    {
        QString group; // "Postings", "Openings", "Years", "Trial balance", "Carried forward"
        QString text;  // the finding, its count included
        qint64 count = 0;
        // The amount it concerns (the postings' sum, a difference), where it
        // has one.
        std::optional<double> amount;
        // The rows behind it: a query read only when asked (rowsBehind), or
        // rows the check worked out itself.
        QString rowsQuery;
        Rows rows;
    };

    LedgerCheck(Session& session, const ClosingLedger& ledger)
        : m_session(session), m_ledger(ledger)
    {
    }

    // Reads what it needs on the session (a few aggregate queries), telling
    // the progress, when given, after each.
    QList<Finding> run(Progress* progress = nullptr);

    // The rows behind a finding, at most `most` of them: the postings,
    // openings or years it counts, or the accounts whose figures make it.
    static Rows rowsBehind(Session& session, const Finding& finding, int most = 5000);

    // One line a finding under its group's heading, then a count.
    static QString text(const QList<Finding>& findings);

private:
    void postings(QList<Finding>& findings);
    // Ids of postings that no account matches as the database compares them,
    // though one is that account's id but for blanks or letter case.
    void idsApart(QList<Finding>& findings);
    void openings(QList<Finding>& findings);
    // Amounts that are no number, which the sums count by their leading
    // number.
    void notNumbers(QList<Finding>& findings);
    void years(QList<Finding>& findings);
    // The first row of a query of counts and sums.
    QList<double> numbers(const QString& sql, int columns);

    Session& m_session;
    const ClosingLedger& m_ledger;
};
