#include "app/audit/SnapshotsPage.h"

#include "app/audit/AuditHost.h"
#include "app/audit/AuditTable.h"
#include "app/audit/DesktopPrompts.h"
#include "core/DayNumbers.h"
#include "snapshots/SnapshotOutcomes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

namespace {

QList<QVariantList> changeRows(const QList<SnapshotDiff::Change>& changes)
{
    QList<QVariantList> rows;
    for (const SnapshotDiff::Change& c : changes)
        rows.append({c.table, c.account, c.year, c.kind, c.before, c.after,
                     std::isinf(c.size) ? QVariant() : QVariant(c.size)});
    return rows;
}

const QStringList& changeColumns()
{
    static const QStringList columns{QStringLiteral("Table"),  QStringLiteral("Account"),
                                     QStringLiteral("Year"),   QStringLiteral("Change"),
                                     QStringLiteral("Before"), QStringLiteral("After"),
                                     QStringLiteral("Amount")};
    return columns;
}

} // namespace

SnapshotsPage::SnapshotsPage(AuditHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_cmdRead(new QPushButton(tr("Read the archive"), this)),
      m_cmdChanges(new QPushButton(tr("Changes since the snapshot"), this)),
      m_cmdRestore(new QPushButton(tr("Restore the snapshot..."), this)),
      m_lblChain(new QLabel(this)), m_tblRecords(new AuditTable(this)),
      m_tblChanges(new AuditTable(this))
{
    m_cmdRead->setObjectName(QStringLiteral("cmdReadArchive"));
    m_cmdChanges->setObjectName(QStringLiteral("cmdSnapshotChanges"));
    m_cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    m_lblChain->setObjectName(QStringLiteral("lblChain"));
    m_lblChain->setWordWrap(true);
    m_lblChain->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_tblRecords->setObjectName(QStringLiteral("tblSnapshots"));
    m_tblChanges->setObjectName(QStringLiteral("tblSnapshotChanges"));
    m_tblRecords->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_cmdRead);
    bar->addWidget(m_cmdChanges);
    bar->addWidget(m_cmdRestore);
    bar->addStretch(1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tblRecords);
    split->addWidget(m_tblChanges);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_lblChain);
    layout->addWidget(split, 1);
    connect(m_cmdRead, &QPushButton::clicked, this, &SnapshotsPage::readArchive);
    connect(m_cmdChanges, &QPushButton::clicked, this, &SnapshotsPage::showChanges);
    connect(m_cmdRestore, &QPushButton::clicked, this, &SnapshotsPage::restore);
}

void SnapshotsPage::readArchive()
{
    auto archive = std::make_shared<AuditBooks::Snapshots>();
    m_host.run(
        tr("Reading the snapshot archive"),
        [archive](AuditBooks& books, Progress&) { *archive = books.snapshots(); },
        [this, archive] {
            QList<QVariantList> rows;
            for (const SnapshotArchive::Record& r : archive->records)
                rows.append({r.number,
                             DayNumbers::dateTimeOfDay(r.serverClock)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                             r.command, SnapshotOutcomes::text(r.outcome), r.user, r.machine,
                             r.openingRows, r.yearRows,
                             QString(r.totals).replace(u'\n', QStringLiteral("; "))});
            m_tblRecords->setRows({tr("Number"), tr("When (server's clock)"), tr("Command"),
                                   tr("Outcome"), tr("Who"), tr("Machine"), tr("Openings"),
                                   tr("Years"), tr("Totals per year (openings / closings)")},
                                  rows);
            m_tblChanges->clearRows();
            m_lblChain->setText(archive->archiveState);
        });
}

int SnapshotsPage::chosen() const
{
    const QModelIndexList rows = m_tblRecords->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        m_host.prompts().tell(tr("Choose a snapshot in the list first (Read the archive)."),
                              Prompts::Icon::Information);
        return 0;
    }
    return m_tblRecords->value(rows.first().row(), 0).toInt();
}

void SnapshotsPage::showChanges()
{
    const int number = chosen();
    if (number == 0)
        return;
    auto changes = std::make_shared<QList<SnapshotDiff::Change>>();
    m_host.run(
        tr("Comparing snapshot %1 with the ledger now").arg(number),
        [number, changes](AuditBooks& books, Progress&) { *changes = books.changesSince(number); },
        [this, changes] { m_tblChanges->setRows(changeColumns(), changeRows(*changes), {6}); });
}

void SnapshotsPage::restore()
{
    const int number = chosen();
    if (number == 0)
        return;
    // First what the restore would change, shown and told; then, only on a
    // yes, the restore, which keeps a snapshot of the ledger as it is.
    auto changes = std::make_shared<QList<SnapshotDiff::Change>>();
    m_host.run(
        tr("Working out what restoring snapshot %1 would change").arg(number),
        [number, changes](AuditBooks& books, Progress&) {
            *changes = books.restoreChanges(number);
        },
        [this, number, changes] {
            m_tblChanges->setRows(changeColumns(), changeRows(*changes), {6});
            if (changes->isEmpty()) {
                m_host.prompts().tell(
                    tr("The ledger already holds what snapshot %1 holds: nothing to restore.")
                        .arg(number),
                    Prompts::Icon::Information);
                return;
            }
            QStringList lines;
            for (qsizetype i = 0; i < changes->size() && i < 10; ++i)
                lines.append(SnapshotDiff::line(changes->at(i)));
            if (changes->size() > 10)
                lines.append(tr("... and %1 more, listed below.").arg(changes->size() - 10));
            const QString question =
                tr("Restoring snapshot %1 puts Acc_Opening and Acc_Accounting_Year back as it "
                   "holds them: %n change(s) to the ledger.",
                   nullptr, int(changes->size()))
                    .arg(number) +
                QStringLiteral("\n\n") + lines.join(u'\n') +
                tr("\n\nA snapshot of the ledger as it is now is kept first, so this can be "
                   "undone. Restore?");
            if (!m_host.prompts().confirm(question))
                return;
            auto kept = std::make_shared<int>(0);
            m_host.run(
                tr("Restoring snapshot %1").arg(number),
                [number, kept](AuditBooks& books, Progress&) { *kept = books.restore(number); },
                [this, number, kept] {
                    m_host.prompts().tell(tr("Restored snapshot %1. The ledger as it was before "
                                             "is snapshot %2.")
                                              .arg(number)
                                              .arg(*kept),
                                          Prompts::Icon::Information);
                    readArchive();
                });
        });
}
