#pragma once

#include "closing/AuditBooks.h"

#include <QWidget>

class AuditHost;
class AuditTable;
class QLabel;
class QPushButton;

// Snapshots: the archive's records and its chain, what changed from a
// chosen record to the ledger now, and the restore of a record after a
// confirmation that says what it will change.
class SnapshotsPage : public QWidget
{
    Q_OBJECT

public:
    SnapshotsPage(AuditHost& host, QWidget* parent = nullptr);

    void readArchive();
    // The snapshot of the selected row; 0, and a word to choose one, when
    // none is selected.
    int chosen() const;
    void showChanges();
    void restore();

private:
    AuditHost& m_host;
    QPushButton* m_cmdRead;
    QPushButton* m_cmdChanges;
    QPushButton* m_cmdRestore;
    QLabel* m_lblChain;
    AuditTable* m_tblRecords;
    AuditTable* m_tblChanges;
};
