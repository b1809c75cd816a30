#pragma once

#include "closing/AuditBooks.h"

#include <QWidget>

class AuditHost;
class AuditTable;
class QLabel;
class QPushButton;

// Prove: the last migration recomputed from the postings against
// Acc_Opening, where it started from, and every difference; a difference
// activated shows the postings and openings of its account and year.
class ProofPage : public QWidget
{
    Q_OBJECT

public:
    ProofPage(AuditHost& host, QWidget* parent = nullptr);

    void prove();
    // The postings and openings behind a row of the differences.
    void showAccountYear(int row);

private:
    AuditHost& m_host;
    QPushButton* m_cmdProve;
    QLabel* m_lblResult;
    AuditTable* m_tblDifferences;
    AuditTable* m_tblRows;
};
