#include "app/audit/CheckPage.h"

#include "app/audit/AuditHost.h"
#include "app/audit/AuditTable.h"
#include "core/Texts.h"

#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <memory>

namespace {

// The rows behind a finding with their amounts as an accountant writes them:
// a debit-positive figure ("Opening (debit +)") as its magnitude and side.
void showRows(AuditTable& table, LedgerCheck::Rows rows)
{
    static const QStringList kAmounts{QStringLiteral("Amount"),  QStringLiteral("Opening"),
                                      QStringLiteral("Closing"), QStringLiteral("Debit"),
                                      QStringLiteral("Credit"),  QStringLiteral("Difference")};
    const QString debitPositive = QStringLiteral(" (debit +)");
    QList<int> amounts;
    QList<int> sided;
    for (qsizetype c = 0; c < rows.columns.size(); ++c) {
        QString& heading = rows.columns[c];
        if (heading.endsWith(debitPositive)) {
            heading.chop(debitPositive.size());
            sided.append(int(c));
        } else if (kAmounts.contains(heading, Qt::CaseInsensitive)) {
            amounts.append(int(c));
        }
    }
    table.setRows(rows.columns, rows.values, amounts, sided);
}

} // namespace

CheckPage::CheckPage(AuditHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_cmdCheck(new QPushButton(tr("Check the books"), this)),
      m_lblSummary(new QLabel(this)), m_tblFindings(new AuditTable(this)),
      m_tblRows(new AuditTable(this))
{
    m_cmdCheck->setObjectName(QStringLiteral("cmdCheck"));
    m_lblSummary->setObjectName(QStringLiteral("lblCheckSummary"));
    m_tblFindings->setObjectName(QStringLiteral("tblFindings"));
    m_tblRows->setObjectName(QStringLiteral("tblFindingRows"));
    m_lblSummary->setWordWrap(true);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tblFindings);
    split->addWidget(m_tblRows);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmdCheck, 0, Qt::AlignLeft);
    layout->addWidget(m_lblSummary);
    layout->addWidget(split, 1);
    connect(m_cmdCheck, &QPushButton::clicked, this, &CheckPage::check);
    connect(m_tblFindings->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CheckPage::showRowsBehind);
}

void CheckPage::check()
{
    auto found = std::make_shared<QList<LedgerCheck::Finding>>();
    m_host.run(
        tr("Checking the books"),
        [found](AuditBooks& books, Progress& progress) { *found = books.check(progress); },
        [this, found] {
            m_findings = *found;
            QList<QVariantList> rows;
            for (qsizetype i = 0; i < m_findings.size(); ++i) {
                const LedgerCheck::Finding& f = m_findings[i];
                rows.append({f.group, f.count, f.amount ? QVariant(*f.amount) : QVariant(), f.text,
                             qlonglong(i)});
            }
            m_tblFindings->setRows({tr("Group"), tr("Count"), tr("Amount"), tr("Finding"), tr("#")},
                                   rows, {2});
            m_tblFindings->hideColumn(4);
            m_tblRows->clearRows();
            m_lblSummary->setText(m_findings.isEmpty()
                                      ? tr("Nothing found: the ledger is fit to close.")
                                      : Texts::counted(m_findings.size(), "finding", "findings") +
                                            tr(". Select one to see the rows behind it."));
        });
}

void CheckPage::showRowsBehind()
{
    const QModelIndex current = m_tblFindings->currentIndex();
    if (!current.isValid())
        return;
    const int at = m_tblFindings->value(current.row(), 4).toInt();
    if (at < 0 || at >= m_findings.size())
        return;
    const LedgerCheck::Finding finding = m_findings[at];
    auto rows = std::make_shared<LedgerCheck::Rows>();
    m_host.run(
        tr("Reading the rows behind the finding"),
        [finding, rows](AuditBooks& books, Progress&) { *rows = books.rowsBehind(finding); },
        [this, rows] { showRows(*m_tblRows, *rows); });
}
