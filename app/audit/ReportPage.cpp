#include "app/audit/ReportPage.h"

#include "app/audit/AuditHost.h"
#include "app/audit/DesktopPrompts.h"

#include "closing/PackPdf.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

ReportPage::ReportPage(AuditHost& host, QWidget* parent)
    : QWidget(parent), m_host(host),
      m_cmdSaveHtml(new QPushButton(tr("Save the HTML report..."), this)),
      m_cmdSaveCsv(new QPushButton(tr("Save the CSV report..."), this)),
      m_cmdOpenHtml(new QPushButton(tr("Open the HTML report in the browser"), this)),
      m_cmdSavePdf(new QPushButton(tr("Save PDF..."), this)), m_lblSaved(new QLabel(this))
{
    m_cmdSaveHtml->setObjectName(QStringLiteral("cmdSaveHtml"));
    m_cmdSaveCsv->setObjectName(QStringLiteral("cmdSaveCsv"));
    m_cmdOpenHtml->setObjectName(QStringLiteral("cmdOpenHtml"));
    m_cmdOpenHtml->setEnabled(false);
    m_cmdSavePdf->setObjectName(QStringLiteral("cmdSavePdf"));
    m_lblSaved->setObjectName(QStringLiteral("lblReportSaved"));
    m_lblSaved->setWordWrap(true);
    m_lblSaved->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* about = new QLabel(tr("The closing figures per account and year, with the totals per "
                                "year, the check's findings and the snapshot archive's state "
                                "on top. Nothing is written to the ledger."),
                             this);
    about->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addWidget(m_cmdSaveHtml, 0, Qt::AlignLeft);
    layout->addWidget(m_cmdSaveCsv, 0, Qt::AlignLeft);
    layout->addWidget(m_cmdOpenHtml, 0, Qt::AlignLeft);
    auto* aboutPack = new QLabel(tr("The auditor's pack: the check, the proof, the archive's head, "
                                    "per year the roll-forward of every account and its figures, "
                                    "and the digest that quillhaven-close attest checks the "
                                    "ledger against later. Saved, then opened."),
                                 this);
    aboutPack->setWordWrap(true);
    layout->addSpacing(12);
    layout->addWidget(aboutPack);
    layout->addWidget(m_cmdSavePdf, 0, Qt::AlignLeft);
    layout->addWidget(m_lblSaved);
    layout->addStretch(1);
    connect(m_cmdSaveHtml, &QPushButton::clicked, this, &ReportPage::saveHtml);
    connect(m_cmdSaveCsv, &QPushButton::clicked, this, &ReportPage::saveCsv);
    connect(m_cmdOpenHtml, &QPushButton::clicked, this, &ReportPage::openHtml);
    connect(m_cmdSavePdf, &QPushButton::clicked, this, &ReportPage::savePdf);
}

void ReportPage::savePdf()
{
    const QString path = m_host.prompts().chooseFile(
        tr("Save the auditor's pack"), QDir::home().filePath(QStringLiteral("year-end-pack.pdf")),
        tr("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    auto digest = std::make_shared<QString>();
    m_host.run(
        tr("Writing the auditor's pack"),
        [path, digest](AuditBooks& books, Progress& progress) {
            const AuditBooks::Pack pack = books.pack(progress);
            PackPdf::write(path, pack);
            *digest = pack.digest;
        },
        [this, path, digest] {
            m_lblSaved->setText(
                tr("Saved %1, digest %2.").arg(QDir::toNativeSeparators(path), *digest));
            m_host.prompts().open(path);
        });
}

void ReportPage::saveHtml()
{
    save(true);
}

void ReportPage::saveCsv()
{
    save(false);
}

void ReportPage::save(bool html)
{
    const QString path = m_host.prompts().chooseFile(
        html ? tr("Save the HTML report") : tr("Save the CSV report"),
        QDir::home().filePath(html ? QStringLiteral("closing-report.html")
                                   : QStringLiteral("closing-report.csv")),
        html ? tr("Web pages (*.html)") : tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    m_host.run(
        tr("Writing the report"),
        [html, path](AuditBooks& books, Progress& progress) {
            books.report(html ? path : QString(), html ? QString() : path, progress);
        },
        [this, html, path] {
            if (html) {
                m_htmlPath = path;
                m_cmdOpenHtml->setEnabled(true);
            }
            m_lblSaved->setText(tr("Saved %1.").arg(QDir::toNativeSeparators(path)));
        });
}

void ReportPage::openHtml()
{
    if (!m_htmlPath.isEmpty())
        m_host.prompts().open(m_htmlPath);
}
