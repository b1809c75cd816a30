#pragma once

#include <QList>
#include <QStringList>
#include <QTableView>
#include <QVariantList>

class QSortFilterProxyModel;
class QStandardItemModel;

// A table of the audit window: sortable by any column (numbers as numbers),
// filterable, and copied with Ctrl+C (or its context menu) as tab-separated
// text with its headings, ready for a spreadsheet.
class AuditTable : public QTableView
{
    Q_OBJECT

public:
    explicit AuditTable(QWidget* parent = nullptr);

    // Replaces the rows. A number shows as an amount, grouped with two
    // decimals, in the columns named in amountColumns, and as its magnitude
    // and side (debit positive) in those named in sidedColumns; else as it
    // is. Null shows as "Null".
    void setRows(const QStringList& columns, const QList<QVariantList>& rows,
                 const QList<int>& amountColumns = {}, const QList<int>& sidedColumns = {});
    void clearRows() { setRows({}, {}); }
    // Only the rows of which some cell holds every word of the text.
    void setFilter(const QString& text);

    int rowCount() const;
    // The shown text of a cell, in the order the table now shows.
    QString text(int row, int column) const;
    // The value a shown row holds in a column (a number as a number).
    QVariant value(int row, int column) const;
    // The selection, or the whole table when nothing is selected, as
    // tab-separated lines under a line of headings.
    QString copiedText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStandardItemModel* m_model;
    QSortFilterProxyModel* m_proxy;
};
