#include "app/audit/PreviewPage.h"

#include "app/audit/AuditHost.h"
#include "app/audit/AuditTable.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

PreviewPage::PreviewPage(AuditHost& host, QWidget* parent)
    : QWidget(parent), m_host(host),
      m_cmdPreview(new QPushButton(tr("Preview the migration"), this)),
      m_txtFilter(new QLineEdit(this)), m_lblSummary(new QLabel(this)),
      m_tblChanges(new AuditTable(this)), m_tblYears(new AuditTable(this))
{
    m_cmdPreview->setObjectName(QStringLiteral("cmdPreview"));
    m_txtFilter->setObjectName(QStringLiteral("txtPreviewFilter"));
    m_txtFilter->setPlaceholderText(tr("Filter by account or year"));
    m_txtFilter->setClearButtonEnabled(true);
    m_lblSummary->setObjectName(QStringLiteral("lblPreviewSummary"));
    m_tblChanges->setObjectName(QStringLiteral("tblPreviewChanges"));
    m_tblYears->setObjectName(QStringLiteral("tblPreviewYears"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_cmdPreview);
    bar->addWidget(m_txtFilter, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tblYears);
    split->addWidget(m_tblChanges);
    split->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_lblSummary);
    layout->addWidget(split, 1);
    connect(m_cmdPreview, &QPushButton::clicked, this, &PreviewPage::preview);
    connect(m_txtFilter, &QLineEdit::textChanged, this, &PreviewPage::filter);
}

void PreviewPage::preview()
{
    auto result = std::make_shared<AuditBooks::Preview>();
    auto labels = std::make_shared<QHash<double, QString>>();
    m_host.run(
        tr("Working out what Migrate Accounts would change"),
        [result, labels](AuditBooks& books, Progress& progress) {
            *result = books.preview(progress);
            for (auto it = result->years.cbegin(); it != result->years.cend(); ++it)
                labels->insert(it.key(), books.yearLabel(it.key()));
        },
        [this, result, labels] {
            QList<QVariantList> years;
            QList<QVariantList> changes;
            for (auto it = result->years.cbegin(); it != result->years.cend(); ++it) {
                const MigrationPreview::Year& y = *it;
                years.append({labels->value(it.key()), y.added, y.removed, y.changed,
                              y.openingsBefore, y.openingsAfter, y.closingsBefore,
                              y.closingsAfter});
                for (const OpeningRows::Change& c : y.changes)
                    changes.append({c.account, c.year, c.kind, c.before, c.after, c.size});
            }
            // Largest first over every year, as the close tool lists them
            // within each.
            std::stable_sort(changes.begin(), changes.end(),
                             [](const QVariantList& a, const QVariantList& b) {
                                 return std::fabs(a[5].toDouble()) > std::fabs(b[5].toDouble());
                             });
            m_tblYears->setRows({tr("Year"), tr("Added"), tr("Removed"), tr("Changed"),
                                 tr("Openings before"), tr("Openings after"), tr("Closings before"),
                                 tr("Closings after")},
                                years, {}, {4, 5, 6, 7});
            m_tblChanges->setRows({tr("Account"), tr("Year"), tr("Change"), tr("Before"),
                                   tr("After"), tr("Difference")},
                                  changes, {5});
            filter(m_txtFilter->text());
            m_lblSummary->setText(tr("Migrate Accounts would leave %1 rows in Acc_Opening (%2 "
                                     "today): %3 changes.")
                                      .arg(result->rowsAfter)
                                      .arg(result->rowsNow)
                                      .arg(changes.size()));
        });
}

void PreviewPage::filter(const QString& words)
{
    m_tblChanges->setFilter(words);
}
