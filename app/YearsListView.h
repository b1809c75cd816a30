#pragma once

#include <QTableView>

class GridModel;

// vasAccYear: the accounting-years list as the operator sees it, read-only,
// one row selected at a time, its hidden columns hidden and its columns as
// wide as designed (never so narrow that a caption is cut).
class YearsListView : public QTableView
{
    Q_OBJECT

public:
    explicit YearsListView(QWidget* parent = nullptr);

    void showList(GridModel& years);
    // Scrolls so that the active year (the last one marked active) is in
    // view, and selects it; a list without one stays as it is.
    void showActiveYear();
};
