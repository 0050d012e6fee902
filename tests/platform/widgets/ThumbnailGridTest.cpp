#include "platform/widgets/ThumbnailGrid.h"

#include "WidgetEvents.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

const TGridGeometry kGrid{130, 5};

TEST(GridGeometry, ColumnsRowsAndCells)
{
    EXPECT_EQ(kGrid.columns(410), 3);
    EXPECT_EQ(kGrid.columns(100), 1);
    EXPECT_EQ(kGrid.columns(0), 1);
    EXPECT_EQ(kGrid.contentHeight(6, 410), 260);
    EXPECT_EQ(kGrid.contentHeight(7, 410), 390);
    EXPECT_EQ(kGrid.contentHeight(0, 410), 0);
    EXPECT_EQ(kGrid.cellRect(4, 410), QRect(135, 135, 120, 120));
    struct Hit {
        QPoint at;
        int index;
    };
    for (const Hit& h : {Hit{{140, 140}, 4}, Hit{{131, 131}, -1}, Hit{{400, 10}, -1}, Hit{{10, 270}, 6},
                         Hit{{140, 270}, -1}, Hit{{-1, 10}, -1}})
        EXPECT_EQ(kGrid.indexAt(h.at, 7, 410), h.index) << h.at.x() << "," << h.at.y();
}

TEST(GridGeometry, ArrowStepsStopAtTheEdgesWithoutWrapping)
{
    struct Case {
        int index, count, direction;
        bool vertical;
        int target;
    };
    const Case cases[] = {
        {-1, 7, 1, false, 0}, {-1, 7, -1, true, 0}, {0, 7, 1, false, 1}, {2, 7, 1, false, 3},
        {6, 7, 1, false, -1}, {0, 7, -1, false, -1}, {1, 7, 1, true, 4}, {4, 7, 1, true, -1},
        {4, 7, -1, true, 1},  {1, 7, -1, true, -1}, {-1, 0, 1, false, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kGrid.step(c.index, c.count, 410, c.direction, c.vertical), c.target)
            << c.index << " " << c.direction << " " << c.vertical;
}

TEST(GridGeometry, ScrollingMovesOnlyAsFarAsNeeded)
{
    struct Case {
        int top, view, cellTop, cellHeight, content, out;
    };
    const Case cases[] = {
        {0, 260, 5, 120, 650, 0},     // in view
        {0, 260, 395, 120, 650, 255}, // below: its bottom at the view's bottom
        {300, 260, 135, 120, 650, 135}, // above: its top at the view's top
        {0, 260, 265, 120, 300, 40},  // held within the content
        {0, 260, 5, 120, 100, 0},     // content shorter than the view
    };
    for (const Case& c : cases)
        EXPECT_EQ(TGridGeometry::scrollToShow(c.top, c.view, c.cellTop, c.cellHeight, c.content), c.out)
            << c.top << " " << c.cellTop;
}

class GridFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        grid.resize(410, 260);
        for (int i = 0; i < 12; ++i) // four rows: two in view
            grid.addItem(QImage(), QStringLiteral("cell %1").arg(i));
        QObject::connect(&grid, &TThumbnailGrid::currentChanged, [this](int i) { seen.push_back(i); });
    }
    TThumbnailGrid grid;
    std::vector<int> seen;
};

TEST_F(GridFixture, KeysSelectAndScrollTheSelectionIntoView)
{
    test::Key(&grid, Qt::Key_Right); // nothing selected: the first cell
    test::Key(&grid, Qt::Key_Down);
    test::Key(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.itemIndex(), 6);
    EXPECT_EQ(grid.scrollTop(), 5 + 2 * 130 + 120 - 260);
    test::Key(&grid, Qt::Key_Down);
    test::Key(&grid, Qt::Key_Down); // past the last row: stays
    EXPECT_EQ(grid.itemIndex(), 9);
    EXPECT_EQ(grid.scrollTop(), 5 + 3 * 130 + 120 - 260);
    test::Key(&grid, Qt::Key_Up);
    test::Key(&grid, Qt::Key_Up);
    test::Key(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.scrollTop(), 5);
    EXPECT_EQ(seen, (std::vector<int>{0, 3, 6, 9, 6, 3, 0}));
}

TEST_F(GridFixture, ClicksSelectTheCellUnderThePointerAfterScrolling)
{
    grid.setScrollTop(130);
    test::Click(&grid, {140, 10}); // content y 140: second row
    EXPECT_EQ(grid.itemIndex(), 4);
    test::Click(&grid, {130, 10}); // the gap between cells
    EXPECT_EQ(grid.itemIndex(), 4);
    test::Wheel(&grid, -10);
    EXPECT_EQ(grid.scrollTop(), grid.contentHeight() - 260);
    grid.setItemIndex(1); // the program's choice raises nothing
    EXPECT_EQ(seen, (std::vector<int>{4}));
}

TEST(ThumbnailGrid, PicturesAreDrawnAtTheirOwnSizeCentredInTheCell)
{
    // 40 x 40: red left half, blue right half.
    QImage picture(40, 40, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::blue);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 20; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    TThumbnailGrid grid;
    grid.resize(130, 130);
    grid.addItem(picture);
    EXPECT_EQ(grid.pictureSize(), QSize(120, 100));
    QImage shot(130, 130, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::black);
    grid.render(&shot);
    // The picture area is (5, 5, 120, 100): the picture's left edge at x 45, its top at y 35.
    EXPECT_EQ(shot.pixel(45, 40), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(64, 40), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(65, 40), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(84, 74), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(85, 40), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(60, 34), qRgb(0, 0, 0));
}

TEST(ThumbnailGrid, FitThumbnailShrinksLargePicturesOnlyKeepingTheirShape)
{
    const QSize box(120, 100);
    EXPECT_EQ(TThumbnailGrid::FitThumbnail(QImage(400, 200, QImage::Format_RGB32), box).size(), QSize(120, 60));
    EXPECT_EQ(TThumbnailGrid::FitThumbnail(QImage(100, 400, QImage::Format_RGB32), box).size(), QSize(25, 100));
    EXPECT_EQ(TThumbnailGrid::FitThumbnail(QImage(50, 30, QImage::Format_RGB32), box).size(), QSize(50, 30));
    EXPECT_TRUE(TThumbnailGrid::FitThumbnail(QImage(), box).isNull());
}

} // namespace
} // namespace pv
