#pragma once

#include "snapshots/LedgerSnapshot.h"

#include <QList>
#include <QString>
#include <QVariant>

// A row of Acc_Opening reduced to what a closing decides: account, year,
// opening and closing with their sides, the amounts as stored.
struct OpeningRow
{
    QString account; // as stored
    double year = 0;
    QVariant opening; // a number, or Null
    QString openingSide;
    QVariant closing;
    QString closingSide;

    // Debit positive; a Null amount counts 0.
    double signedOpening() const;
    double signedClosing() const;

    // The rows of an Acc_Opening table as read whole; a column the table
    // lacks reads as Null.
    static QList<OpeningRow> of(const LedgerSnapshot::Table& table);

    // Reads single rows of one such table, its columns found once.
    class Reader
    {
    public:
        explicit Reader(const LedgerSnapshot::Table& table);
        OpeningRow read(const QVariantList& row) const;

    private:
        int m_account, m_year, m_opening, m_openingSide, m_closing, m_closingSide;
    };
};
