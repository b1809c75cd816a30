#pragma once

#include "closing/AuditBooks.h"

#include <QWidget>

class AuditHost;
class AuditTable;
class QLabel;
class QLineEdit;
class QPushButton;

// Preview the migration: what Migrate Accounts would change in Acc_Opening,
// row by row (largest first) and in totals per year, filtered by account or
// year.
class PreviewPage : public QWidget
{
    Q_OBJECT

public:
    PreviewPage(AuditHost& host, QWidget* parent = nullptr);

    void preview();
    // Shows only the changes of which some cell holds every word given.
    void filter(const QString& words);

private:
    AuditHost& m_host;
    QPushButton* m_cmdPreview;
    QLineEdit* m_txtFilter;
    QLabel* m_lblSummary;
    AuditTable* m_tblChanges;
    AuditTable* m_tblYears;
};
