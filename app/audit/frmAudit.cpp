#include "app/audit/frmAudit.h"

#include "app/audit/CheckPage.h"
#include "app/audit/PreviewPage.h"
#include "app/audit/ProofPage.h"
#include "app/audit/ReportPage.h"
#include "app/audit/SnapshotsPage.h"
#include "core/Failure.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QLatin1String kLastServer("audit/lastServer");
const QLatin1String kLastDatabase("audit/lastDatabase");

// What to do about a failure, after its number and text.
QString advice(const Failure& failure, bool opening)
{
    if (opening)
        return QObject::tr("Check the database, the server name and that the server is "
                           "running, then open the ledger again.");
    if (failure.kind() == Failure::Kind::OwnFile)
        return QObject::tr("Check that the file or folder named can be read and written, "
                           "then try again. Nothing was written to the ledger.");
    return QObject::tr("Nothing was written to the ledger. Try again; if the server was "
                       "restarted, open the ledger again first.");
}

} // namespace

frmAudit::frmAudit(QWidget* parent)
    : QWidget(parent), m_worker(std::make_unique<AuditWorker>()),
      m_cboDatabase(new QComboBox(this)), m_txtServer(new QLineEdit(this)),
      m_cmdOpen(new QPushButton(tr("Open"), this)), m_lblLedger(new QLabel(this)),
      m_tabs(new QTabWidget(this)), m_check(new CheckPage(*this)),
      m_preview(new PreviewPage(*this)), m_proof(new ProofPage(*this)),
      m_snapshots(new SnapshotsPage(*this)), m_report(new ReportPage(*this)),
      m_lblStatus(new QLabel(this)), m_pbWork(new QProgressBar(this)),
      m_cmdCancel(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(QStringLiteral("Quillhaven Audit"));
    setObjectName(QStringLiteral("frmAudit"));
    m_cboDatabase->setObjectName(QStringLiteral("cboDatabase"));
    m_cboDatabase->addItems({QStringLiteral("Dosavine"), QStringLiteral("Bindwell")});
    m_txtServer->setObjectName(QStringLiteral("txtServer"));
    m_txtServer->setPlaceholderText(tr("Server name, or sqlite:FOLDER"));
    m_cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    m_cmdOpen->setDefault(true);
    m_lblLedger->setObjectName(QStringLiteral("lblLedger"));
    m_lblLedger->setText(tr("No ledger open."));
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(m_check, tr("Check"));
    m_tabs->addTab(m_preview, tr("Preview"));
    m_tabs->addTab(m_proof, tr("Prove"));
    m_tabs->addTab(m_snapshots, tr("Snapshots"));
    m_tabs->addTab(m_report, tr("Report"));
    m_tabs->setEnabled(false);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_pbWork->setObjectName(QStringLiteral("pbWork"));
    m_pbWork->setRange(0, 1000);
    m_pbWork->setValue(0);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setEnabled(false);

    auto* ledgerBar = new QHBoxLayout;
    ledgerBar->addWidget(new QLabel(tr("Database"), this));
    ledgerBar->addWidget(m_cboDatabase);
    ledgerBar->addWidget(new QLabel(tr("Server"), this));
    ledgerBar->addWidget(m_txtServer, 1);
    ledgerBar->addWidget(m_cmdOpen);
    auto* statusBar = new QHBoxLayout;
    statusBar->addWidget(m_lblStatus, 1);
    statusBar->addWidget(m_pbWork);
    statusBar->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ledgerBar);
    layout->addWidget(m_lblLedger);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(statusBar);
    resize(960, 640);

    // The last ledger opened, as this user's settings keep it.
    const QSettings settings;
    m_cboDatabase->setCurrentIndex(settings.value(kLastDatabase, 0).toInt() == 1 ? 1 : 0);
    m_txtServer->setText(settings.value(kLastServer).toString());

    connect(m_cmdOpen, &QPushButton::clicked, this, &frmAudit::openLedger);
    connect(m_txtServer, &QLineEdit::returnPressed, this, &frmAudit::openLedger);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmAudit::cancel);
    connect(m_worker.get(), &AuditWorker::progressed, m_pbWork, &QProgressBar::setValue);
    connect(m_worker.get(), &AuditWorker::finished, this, &frmAudit::finished);
}

frmAudit::~frmAudit() = default;

void frmAudit::setPrompts(Prompts* prompts)
{
    m_prompts = prompts ? prompts : &m_desktop;
}

void frmAudit::openLedger()
{
    const QString server = m_txtServer->text().trimmed();
    if (server.isEmpty()) {
        m_prompts->tell(tr("Type the server name first (or sqlite: and a folder)."),
                        Prompts::Icon::Information);
        return;
    }
    const Profile::Id profile =
        m_cboDatabase->currentIndex() == 1 ? Profile::Id::Bindwell : Profile::Id::Dosavine;
    auto name = std::make_shared<QString>();
    m_opened = false;
    m_tabs->setEnabled(false);
    m_lblLedger->setText(tr("No ledger open."));
    run(
        tr("Opening the ledger"),
        [profile, server, name](AuditBooks& books, Progress&) {
            books.open(profile, server);
            *name = books.name();
        },
        [this, profile, server, name] {
            m_opened = true;
            m_lblLedger->setText(tr("Open: %1").arg(*name));
            QSettings settings;
            settings.setValue(kLastServer, server);
            settings.setValue(kLastDatabase, profile == Profile::Id::Bindwell ? 1 : 0);
        });
}

void frmAudit::cancel()
{
    m_worker->cancel();
    m_lblStatus->setText(tr("Cancelling..."));
}

void frmAudit::run(const QString& what, AuditWorker::Job job, std::function<void()> done)
{
    if (!m_worker->start(std::move(job)))
        return; // the controls are off while a job runs; a click in between is dropped
    m_done = std::move(done);
    setBusy(true, what);
}

void frmAudit::setBusy(bool busy, const QString& what)
{
    m_cmdOpen->setEnabled(!busy);
    m_cboDatabase->setEnabled(!busy);
    m_txtServer->setEnabled(!busy);
    m_tabs->setEnabled(!busy && m_opened);
    m_cmdCancel->setEnabled(busy);
    m_lblStatus->setText(busy ? what + QStringLiteral("...") : what);
    if (busy)
        m_pbWork->setValue(0);
}

void frmAudit::finished(const std::optional<Failure>& failure)
{
    const std::function<void()> done = std::exchange(m_done, nullptr);
    if (failure && failure->kind() == Failure::Kind::Cancelled) {
        setBusy(false, tr("Cancelled; nothing was written."));
    } else if (failure) {
        setBusy(false, tr("Failed."));
        m_prompts->tell(failure->text() + QStringLiteral("\n\n") + advice(*failure, !m_opened),
                        Prompts::Icon::Critical);
    } else {
        setBusy(false, tr("Done."));
        m_pbWork->setValue(1000);
        if (done)
            done();
    }
    if (!m_worker->isBusy()) {
        m_tabs->setEnabled(m_opened); // opening the ledger may have just succeeded
        emit idle();
    }
}
