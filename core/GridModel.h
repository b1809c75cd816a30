#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <vector>

// A grid of cells addressed by column and row, both counted from 1: the
// working store of the program. Loading fills it, the computations read and
// rewrite its cells, and the migration and year creation read them back to
// build SQL. It is also a table model, so a view can show it.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit GridModel(QStringList headers, QObject* parent = nullptr);

    // The grid's own operations.
    int rows() const noexcept { return m_rows; }
    void setRows(int rows); // 0 empties; one more appends an empty row
    void select(int column, int row);
    void write(const QVariant& value);                        // into the current cell
    void writeAt(int column, int row, const QVariant& value); // select, then write
    QString readText(int column, int row) const;
    QVariant value(int column, int row) const;
    // A cell's numeric value: the leading-number reading of its text.
    double numberAt(int column, int row) const;
    // The same readings of a value before it is written to a cell.
    static QString textOf(const QVariant& value);
    static double numberOf(const QVariant& value);
    int columns() const noexcept { return static_cast<int>(m_headers.size()); }
    int currentColumn() const noexcept { return m_column; }
    int currentRow() const noexcept { return m_row; }

    // Numeric columns show two decimals; their values read back exactly.
    void setNumericColumns(const QList<int>& columns);
    // Columns that carry stored values but are not shown.
    QList<int> hiddenColumns() const { return m_hidden; }
    void setHiddenColumns(const QList<int>& columns);

    // The cell flag and the row-mode property: kept, but nothing depends on them.
    void setCellFlag(bool flag);
    void setRowMode(int mode) { m_rowMode = mode; }
    int rowMode() const noexcept { return m_rowMode; }

    // The grid as it stands, for a command that puts it back when it fails
    // part-way.
    struct Saved
    {
        std::vector<QVariant> cells;
        int rows = 0;
        int column = 1;
        int row = 1;
        int rowMode = 0;
    };
    Saved save() const { return {m_cells, m_rows, m_column, m_row, m_rowMode}; }
    void restore(Saved saved);

    // Hint for loaders that know how many rows are coming.
    void reserve(int rows);

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    qsizetype offset(int column, int row) const;
    void checkCell(int column, int row) const;

    QStringList m_headers;
    std::vector<QVariant> m_cells; // row-major, m_rows * columns()
    std::vector<bool> m_numeric;   // per column, index 0 unused
    QList<int> m_hidden;
    int m_rows = 0;
    int m_column = 1;
    int m_row = 1;
    int m_rowMode = 0;
};
