#include "app/audit/AuditTable.h"

#include "core/Amounts.h"
#include "core/Numbers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <algorithm>

namespace {

// Keeps a row when every word of the filter stands in one of its cells.
class WordsFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setWords(const QString& text)
    {
        m_words = text.split(u' ', Qt::SkipEmptyParts);
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const QAbstractItemModel* model = sourceModel();
        for (const QString& word : m_words) {
            bool found = false;
            for (int c = 0; c < model->columnCount(parent) && !found; ++c)
                found = model->index(row, c, parent)
                            .data()
                            .toString()
                            .contains(word, Qt::CaseInsensitive);
            if (!found)
                return false;
        }
        return true;
    }

private:
    QStringList m_words;
};

} // namespace

AuditTable::AuditTable(QWidget* parent)
    : QTableView(parent), m_model(new QStandardItemModel(this)), m_proxy(new WordsFilter(this))
{
    m_proxy->setSourceModel(m_model);
    // Numbers sort by value, texts by their text.
    m_proxy->setSortRole(Qt::UserRole);
    setModel(m_proxy);
    setSortingEnabled(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAlternatingRowColors(true);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setVisible(false);
    auto* copy = new QAction(tr("Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(copiedText()); });
    addAction(copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void AuditTable::setRows(const QStringList& columns, const QList<QVariantList>& rows,
                         const QList<int>& amountColumns, const QList<int>& sidedColumns)
{
    setSortingEnabled(false);
    m_model->clear();
    m_model->setHorizontalHeaderLabels(columns);
    for (const QVariantList& row : rows) {
        QList<QStandardItem*> items;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QVariant& value = row[c];
            auto* item = new QStandardItem;
            QString shown = value.isNull() ? QStringLiteral("Null") : value.toString();
            if (Numbers::isNumber(value)) {
                if (sidedColumns.contains(int(c)))
                    shown = Amounts::sided(value.toDouble());
                else if (amountColumns.contains(int(c)))
                    shown = Amounts::grouped(value.toDouble());
                else if (value.typeId() == QMetaType::Double)
                    shown = Numbers::numberText(value.toDouble());
                item->setData(value.toDouble(), Qt::UserRole);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            } else {
                item->setData(shown, Qt::UserRole);
            }
            item->setText(shown);
            items.append(item);
        }
        m_model->appendRow(items);
    }
    setSortingEnabled(true);
    // Unsorted until the user clicks a heading: the rows stay in the order
    // they came, largest first where that is the order.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_proxy->sort(-1);
    resizeColumnsToContents();
}

void AuditTable::setFilter(const QString& text)
{
    static_cast<WordsFilter*>(m_proxy)->setWords(text);
}

int AuditTable::rowCount() const
{
    return m_proxy->rowCount();
}

QString AuditTable::text(int row, int column) const
{
    return m_proxy->index(row, column).data().toString();
}

QVariant AuditTable::value(int row, int column) const
{
    return m_proxy->index(row, column).data(Qt::UserRole);
}

QString AuditTable::copiedText() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty()) {
        for (int r = 0; r < m_proxy->rowCount(); ++r)
            rows.append(r);
    }
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    QStringList headings;
    for (int c = 0; c < m_model->columnCount(); ++c)
        headings.append(m_model->horizontalHeaderItem(c)->text());
    lines.append(headings.join(u'\t'));
    for (const int r : rows) {
        QStringList cells;
        for (int c = 0; c < m_proxy->columnCount(); ++c)
            cells.append(text(r, c));
        lines.append(cells.join(u'\t'));
    }
    return lines.join(u'\n') + u'\n';
}

void AuditTable::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(copiedText());
        return;
    }
    QTableView::keyPressEvent(event);
}
