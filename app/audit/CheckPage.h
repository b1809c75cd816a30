#pragma once

#include "closing/LedgerCheck.h"

#include <QWidget>

class AuditHost;
class AuditTable;
class QLabel;
class QPushButton;

// Check the books: the findings with their counts and amounts; the rows
// behind the one selected below them.
class CheckPage : public QWidget
{
    Q_OBJECT

public:
    CheckPage(AuditHost& host, QWidget* parent = nullptr);

    void check();
    const QList<LedgerCheck::Finding>& findings() const { return m_findings; }

private:
    void showRowsBehind();

    AuditHost& m_host;
    QPushButton* m_cmdCheck;
    QLabel* m_lblSummary;
    AuditTable* m_tblFindings;
    AuditTable* m_tblRows;
    QList<LedgerCheck::Finding> m_findings;
};
