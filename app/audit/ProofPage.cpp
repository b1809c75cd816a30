#include "app/audit/ProofPage.h"

#include "app/audit/AuditHost.h"
#include "app/audit/AuditTable.h"
#include "core/Numbers.h"

#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <memory>

ProofPage::ProofPage(AuditHost& host, QWidget* parent)
    : QWidget(parent), m_host(host),
      m_cmdProve(new QPushButton(tr("Prove the last migration"), this)),
      m_lblResult(new QLabel(this)), m_tblDifferences(new AuditTable(this)),
      m_tblRows(new AuditTable(this))
{
    m_cmdProve->setObjectName(QStringLiteral("cmdProve"));
    m_lblResult->setObjectName(QStringLiteral("lblProofResult"));
    m_lblResult->setWordWrap(true);
    m_lblResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_tblDifferences->setObjectName(QStringLiteral("tblProofDifferences"));
    m_tblRows->setObjectName(QStringLiteral("tblProofRows"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tblDifferences);
    split->addWidget(m_tblRows);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmdProve, 0, Qt::AlignLeft);
    layout->addWidget(m_lblResult);
    layout->addWidget(split, 1);
    connect(m_cmdProve, &QPushButton::clicked, this, &ProofPage::prove);
    connect(m_tblDifferences, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { showAccountYear(index.row()); });
}

void ProofPage::prove()
{
    auto proof = std::make_shared<AuditBooks::Proof>();
    m_host.run(
        tr("Proving the last migration"),
        [proof](AuditBooks& books, Progress& progress) { *proof = books.prove(progress); },
        [this, proof] {
            const MigrationVerify::Result& r = proof->result;
            QList<QVariantList> rows;
            for (const OpeningRows::Change& c : r.differences)
                rows.append({c.account, c.year, c.kind, c.before, c.after, c.size});
            m_tblDifferences->setRows({tr("Account"), tr("Year"), tr("Difference"),
                                       tr("In Acc_Opening"), tr("Recomputed"), tr("Amount")},
                                      rows, {5});
            m_tblRows->clearRows();
            const QString outcome =
                r.differences.isEmpty()
                    ? tr("Proved: Acc_Opening holds what the migration must have written.")
                    : tr("%n difference(s) found. Activate one to see its account's postings "
                         "and openings for the year.",
                         nullptr, int(r.differences.size()));
            m_lblResult->setText(
                tr("Started from: %1\n%2\n%3").arg(r.basis, outcome, proof->archiveState));
        });
}

void ProofPage::showAccountYear(int row)
{
    const QString account = m_tblDifferences->text(row, 0);
    const double year = m_tblDifferences->value(row, 1).toDouble();
    auto rows = std::make_shared<LedgerCheck::Rows>();
    m_host.run(
        tr("Reading account %1 in year %2").arg(account, Numbers::numberText(year)),
        [account, year, rows](AuditBooks& books, Progress&) {
            *rows = books.accountYear(account, year);
        },
        [this, rows] { m_tblRows->setRows(rows->columns, rows->values, {3}); });
}
