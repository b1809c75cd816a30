#include "core/GridModel.h"
#include "core/Failure.h"
#include "core/Numbers.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <limits>

namespace {

// Three columns, the second numeric.
class TestGrid : public GridModel
{
public:
    TestGrid() : GridModel({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
    {
        setNumericColumns({2});
    }
};

TEST(GridModel, RowCountEmptiesAndAppends)
{
    TestGrid grid;
    EXPECT_EQ(grid.rows(), 0);
    grid.setRows(1);
    grid.writeAt(1, 1, QStringLiteral("x"));
    grid.setRows(0);
    EXPECT_EQ(grid.rows(), 0);
    grid.setRows(1);
    EXPECT_EQ(grid.readText(1, 1), QString()) << "an emptied row must not come back";
    grid.setRows(2);
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(grid.readText(c, 2), QString());
}

TEST(GridModel, ReadBackText)
{
    TestGrid grid;
    grid.setRows(1);
    grid.select(2, 1);
    grid.write(1200.5);
    EXPECT_EQ(grid.readText(2, 1), QStringLiteral("1200.5"));
    EXPECT_DOUBLE_EQ(Numbers::ofCellText(grid.readText(2, 1)), 1200.5);
    grid.writeAt(2, 1, 0.1 + 0.2);
    EXPECT_EQ(Numbers::ofCellText(grid.readText(2, 1)), 0.1 + 0.2) << "read-back must be exact";
    grid.writeAt(1, 1, qlonglong(7));
    EXPECT_EQ(grid.readText(1, 1), QStringLiteral("7"));
    grid.writeAt(3, 1, QDate(2005, 4, 1));
    EXPECT_EQ(grid.readText(3, 1), QStringLiteral("01/04/2005"));
    grid.writeAt(3, 1, QVariant(QMetaType::fromType<double>()));
    EXPECT_EQ(grid.readText(3, 1), QString());
    EXPECT_EQ(grid.currentColumn(), 3);
    EXPECT_EQ(grid.currentRow(), 1);
}

// A cell's number is always the reading of its text, whether the cell holds
// a double (taken directly) or anything else.
TEST(GridModel, NumberOfACellIsTheReadingOfItsText)
{
    TestGrid grid;
    grid.setRows(1);
    const QList<QVariant> cells{0.1 + 0.2,
                                -857.739999999998,
                                1e-7,
                                1e20,
                                qlonglong(7),
                                QStringLiteral(" 12.5abc"),
                                QStringLiteral("x"),
                                QDate(2005, 4, 1),
                                QVariant()};
    for (const QVariant& cell : cells) {
        grid.writeAt(1, 1, cell);
        EXPECT_EQ(grid.numberAt(1, 1), Numbers::ofCellText(grid.readText(1, 1)))
            << grid.readText(1, 1).toStdString();
    }
    // An infinity's text is past every double: both readings overflow.
    grid.writeAt(1, 1, std::numeric_limits<double>::infinity());
    EXPECT_THROW(Numbers::ofCellText(grid.readText(1, 1)), Failure);
    EXPECT_THROW(grid.numberAt(1, 1), Failure);
}

TEST(GridModel, ReadingLeavesTheCurrentCellAlone)
{
    TestGrid grid;
    grid.setRows(3);
    grid.select(2, 3);
    (void)grid.readText(1, 1);
    grid.write(QStringLiteral("here"));
    EXPECT_EQ(grid.readText(2, 3), QStringLiteral("here"));
}

TEST(GridModel, WritingOutsideTheRowsFails)
{
    TestGrid grid;
    grid.setRows(1);
    grid.select(1, 2);
    EXPECT_THROW(grid.write(1), Failure);
    grid.select(4, 1);
    EXPECT_THROW(grid.write(1), Failure);
    EXPECT_EQ(grid.readText(1, 5), QString());
}

TEST(GridModel, DisplaysNumericCellsWithTwoDecimalsAndTellsViews)
{
    TestGrid grid;
    QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    grid.setRows(1);
    grid.writeAt(2, 1, 80.0);
    grid.writeAt(1, 1, 80.0);
    EXPECT_EQ(grid.data(grid.index(0, 1)).toString(), QStringLiteral("80.00"));
    EXPECT_EQ(grid.data(grid.index(0, 0)).toString(), QStringLiteral("80"));
    EXPECT_EQ(grid.headerData(2, Qt::Horizontal).toString(), QStringLiteral("C"));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(changed.count(), 2);
}

TEST(GridModel, HoldsABigWorksheet)
{
    GridModel grid({QStringLiteral("A"), QStringLiteral("B")});
    for (int r = 1; r <= 40000; ++r) {
        grid.setRows(grid.rows() + 1);
        grid.writeAt(1, r, r);
    }
    EXPECT_EQ(grid.rows(), 40000);
    EXPECT_EQ(grid.readText(1, 36000), QStringLiteral("36000"));
}

} // namespace
