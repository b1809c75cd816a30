#pragma once

#include <QList>
#include <QString>

class Session;

// Amounts stored as something that is no number ('NaN', 'twelve'), which an
// embedded ledger keeps as it is given: the worksheet and the sums count each
// as the number its text begins with, 0 where it begins with none. The
// connect says how many there are and the check lists them, so that the
// operator never has to find them out from the figures.
class AmountsNotNumbers
{
public:
    struct Column
    {
        QString table;
        QString column;
        const char* one; // what a row of the table is: "posting"
        const char* many;
    };
    // The amounts the worksheet reads: Acc_transaction's Amount and
    // Acc_Opening's Opening.
    static const QList<Column>& columns();
    // The condition on such a row of a column; empty where the database
    // cannot hold one.
    static QString condition(const Session& session, const Column& column);

    // Counted on the open session in one query; none on SQL Server.
    static AmountsNotNumbers count(Session& session);

    QList<qint64> counts; // in the order of columns(), 0 each where none
    // The operator's message, empty when there are none.
    QString message() const;
};
