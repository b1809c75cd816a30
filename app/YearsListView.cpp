#include "app/YearsListView.h"

#include "app/WindowLook.h"
#include "core/GridModel.h"
#include "yearend/YearEndContext.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>

YearsListView::YearsListView(QWidget* parent) : QTableView(parent)
{
    setFont(WindowLook::arial(8.25));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Tab leaves the list instead of walking its cells.
    setTabKeyNavigation(false);
}

void YearsListView::showList(GridModel& years)
{
    setModel(&years);
    for (int column : years.hiddenColumns())
        setColumnHidden(column - 1, true);

    // Widths in character units of the grid's font, but never so narrow that
    // the header's caption is cut.
    const QFontMetrics metrics(font());
    const double unit = metrics.horizontalAdvance(QLatin1Char('0'));
    auto chars = [unit](double units) { return qRound(units * unit) + 6; };
    QHeaderView* columns = horizontalHeader();
    columns->setFont(WindowLook::arial(8.25));
    const int margin = 2 * columns->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, columns);
    auto setWidth = [&](int column, double units) {
        const QString caption = years.headerData(column - 1, Qt::Horizontal).toString();
        const int header = QFontMetrics(columns->font()).horizontalAdvance(caption) + margin + 2;
        columns->resizeSection(column - 1, std::max(chars(units), header));
    };
    setWidth(YearEndContext::YrStart, 10.87);
    setWidth(YearEndContext::YrEnd, 10.75);
    setWidth(YearEndContext::YrActive, 6.25);
    QHeaderView* rows = verticalHeader();
    rows->setFont(WindowLook::arial(8.25));
    rows->setFixedWidth(chars(3.0));
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(metrics.height() + 5);
}

void YearsListView::showActiveYear()
{
    const auto* years = qobject_cast<const GridModel*>(model());
    if (!years)
        return;
    for (int row = years->rows(); row >= 1; --row) {
        if (years->numberAt(YearEndContext::YrActive, row) != 1)
            continue;
        const QModelIndex index = model()->index(row - 1, YearEndContext::YrStart - 1);
        scrollTo(index, QAbstractItemView::EnsureVisible);
        setCurrentIndex(index);
        return;
    }
}
