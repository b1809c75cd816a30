#include "core/GridModel.h"

#include "core/Failure.h"
#include "core/Numbers.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");
const QString kDateTimeFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");

} // namespace

QString GridModel::textOf(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return Numbers::exactText(value.toDouble());
    case QMetaType::QDate:
        return value.toDate().toString(kDateFormat);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.date().toString(kDateFormat)
                                        : dt.toString(kDateTimeFormat);
    }
    default:
        return value.toString();
    }
}

GridModel::GridModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)),
      m_numeric(static_cast<size_t>(m_headers.size()) + 1, false)
{
}

qsizetype GridModel::offset(int column, int row) const
{
    return static_cast<qsizetype>(row - 1) * columns() + (column - 1);
}

void GridModel::checkCell(int column, int row) const
{
    if (column < 1 || column > columns() || row < 1 || row > m_rows)
        throw Failure(Failure::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (column %1, row %2 of %3)")
                          .arg(column)
                          .arg(row)
                          .arg(m_rows));
}

void GridModel::setRows(int rows)
{
    if (rows < 0)
        throw Failure(Failure::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    if (rows == m_rows)
        return;
    const size_t cells = static_cast<size_t>(rows) * static_cast<size_t>(columns());
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_cells.resize(cells);
        m_rows = rows;
        endInsertRows();
    } else if (rows == 0) {
        beginResetModel();
        m_cells.clear();
        m_rows = 0;
        endResetModel();
    } else {
        beginRemoveRows(QModelIndex(), rows, m_rows - 1);
        m_cells.resize(cells);
        m_rows = rows;
        endRemoveRows();
    }
}

void GridModel::restore(Saved saved)
{
    beginResetModel();
    m_cells = std::move(saved.cells);
    m_rows = saved.rows;
    m_column = saved.column;
    m_row = saved.row;
    m_rowMode = saved.rowMode;
    endResetModel();
}

void GridModel::reserve(int rows)
{
    if (rows > 0)
        m_cells.reserve(static_cast<size_t>(rows) * static_cast<size_t>(columns()));
}

void GridModel::select(int column, int row)
{
    m_column = column;
    m_row = row;
}

void GridModel::write(const QVariant& value)
{
    checkCell(m_column, m_row);
    m_cells[static_cast<size_t>(offset(m_column, m_row))] = value;
    const QModelIndex changed = index(m_row - 1, m_column - 1);
    emit dataChanged(changed, changed);
}

void GridModel::writeAt(int column, int row, const QVariant& value)
{
    select(column, row);
    write(value);
}

QVariant GridModel::value(int column, int row) const
{
    if (column < 1 || column > columns() || row < 1 || row > m_rows)
        return QVariant();
    return m_cells[static_cast<size_t>(offset(column, row))];
}

QString GridModel::readText(int column, int row) const
{
    return textOf(value(column, row));
}

double GridModel::numberAt(int column, int row) const
{
    return numberOf(value(column, row));
}

double GridModel::numberOf(const QVariant& cell)
{
    // A double cell reads back as its exact text, whose leading-number
    // reading is that double again, so it is taken as it is.
    if (cell.typeId() == QMetaType::Double) {
        const double number = cell.toDouble();
        if (std::isfinite(number))
            return number;
    }
    return Numbers::ofCellText(textOf(cell));
}

void GridModel::setNumericColumns(const QList<int>& numericColumns)
{
    std::fill(m_numeric.begin(), m_numeric.end(), false);
    for (int c : numericColumns) {
        if (c >= 1 && c <= columns())
            m_numeric[static_cast<size_t>(c)] = true;
    }
}

void GridModel::setHiddenColumns(const QList<int>& hiddenColumns)
{
    m_hidden = hiddenColumns;
}

void GridModel::setCellFlag(bool)
{
    // The cell flag marks a cell in the original grid control; nothing this
    // program stores or computes depends on it.
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns();
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int column = index.column() + 1;
    const QVariant cell = value(column, index.row() + 1);
    if (role == Qt::TextAlignmentRole && m_numeric[static_cast<size_t>(column)])
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    if (m_numeric[static_cast<size_t>(column)] && !cell.isNull()) {
        try {
            const double number =
                Numbers::isNumber(cell) ? cell.toDouble() : Numbers::ofCellText(textOf(cell));
            return QString::number(number, 'f', 2);
        } catch (const Failure&) {
            // A text too large to be a number is shown as it stands.
        }
    }
    return textOf(cell);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columns() ? m_headers.at(section) : QVariant();
    return section + 1;
}
