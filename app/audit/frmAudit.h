#pragma once

#include "app/audit/AuditHost.h"
#include "app/audit/DesktopPrompts.h"
#include "closing/AuditWorker.h"

#include <QWidget>
#include <functional>
#include <memory>

class CheckPage;
class PreviewPage;
class ProofPage;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class ReportPage;
class SnapshotsPage;

// Quillhaven Audit: a ledger opened as the year-end window opens it, then
// checked, its migration previewed and proved, its snapshots read, compared
// and restored, its report saved. The ledger is read off the window's
// thread, with a progress bar and Cancel; nothing is written to it but by a
// confirmed restore.
class frmAudit : public QWidget, public AuditHost
{
    Q_OBJECT

public:
    explicit frmAudit(QWidget* parent = nullptr);
    ~frmAudit() override;

    // Tests answer the prompts; the window's own are boxes and dialogs.
    void setPrompts(Prompts* prompts);

    void openLedger();
    void cancel();
    bool isBusy() const { return m_worker->isBusy(); }

    void run(const QString& what, AuditWorker::Job job, std::function<void()> done) override;
    Prompts& prompts() override { return *m_prompts; }

    CheckPage& checkPage() { return *m_check; }
    PreviewPage& previewPage() { return *m_preview; }
    ProofPage& proofPage() { return *m_proof; }
    SnapshotsPage& snapshotsPage() { return *m_snapshots; }
    ReportPage& reportPage() { return *m_report; }

signals:
    // A job is over, however it ended (for tests and the screenshots).
    void idle();

private:
    void finished(const std::optional<Failure>& failure);
    void setBusy(bool busy, const QString& what);

    std::unique_ptr<AuditWorker> m_worker;
    DesktopPrompts m_desktop{this};
    Prompts* m_prompts = &m_desktop;
    std::function<void()> m_done;
    bool m_opened = false;

    QComboBox* m_cboDatabase;
    QLineEdit* m_txtServer;
    QPushButton* m_cmdOpen;
    QLabel* m_lblLedger;
    QTabWidget* m_tabs;
    CheckPage* m_check;
    PreviewPage* m_preview;
    ProofPage* m_proof;
    SnapshotsPage* m_snapshots;
    ReportPage* m_report;
    QLabel* m_lblStatus;
    QProgressBar* m_pbWork;
    QPushButton* m_cmdCancel;
};
