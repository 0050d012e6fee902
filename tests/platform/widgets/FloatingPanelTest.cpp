#include "platform/widgets/FloatingPanel.h"

#include "WidgetEvents.h"

#include <QGraphicsOpacityEffect>
#include <gtest/gtest.h>

namespace pv {
namespace {

class FloatingFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(800, 600);
        panel = new TFloatingPanel(&window);
        panel->setGeometry(100, 100, 170, 200);
        window.show();
    }
    double opacity() const
    {
        auto* fx = qobject_cast<QGraphicsOpacityEffect*>(panel->graphicsEffect());
        return fx ? fx->opacity() : 1.0;
    }
    QWidget window;
    TFloatingPanel* panel = nullptr;
};

TEST_F(FloatingFixture, DraggingTheBackgroundMovesItTranslucentAndWithoutShadow)
{
    test::Press(panel, {50, 100});
    EXPECT_TRUE(panel->isDragging());
    EXPECT_DOUBLE_EQ(opacity(), 0.75);
    EXPECT_EQ(panel->shadow().blur, 0);
    test::Move(panel, {80, 90}, Qt::LeftButton);
    EXPECT_EQ(panel->pos(), QPoint(130, 90));
    test::Move(panel, {30, 100}, Qt::LeftButton); // local to the moved panel: 20 left of the last point
    EXPECT_EQ(panel->pos(), QPoint(110, 90));
    test::Release(panel, {30, 100});
    EXPECT_FALSE(panel->isDragging());
    EXPECT_DOUBLE_EQ(opacity(), 1.0);
    EXPECT_GT(panel->shadow().blur, 0);
}

TEST_F(FloatingFixture, ItCannotBeDraggedOutOfTheWindow)
{
    test::Press(panel, {50, 100});
    test::Move(panel, {5000, -5000}, Qt::LeftButton);
    test::Release(panel, {5000, -5000});
    EXPECT_EQ(panel->geometry(), QRect(800 - 170, 0, 170, 200));
}

TEST_F(FloatingFixture, CloseBoxSitsTopRightLightsRedAndHidesThePanel)
{
    TCloseBox* box = panel->closeBox();
    EXPECT_EQ(box->geometry(), QRect(170 - 26 - 8, 8, 26, 26));
    int closes = 0;
    QObject::connect(panel, &TFloatingPanel::closeClicked, [&] { ++closes; });
    QEnterEvent enter({5, 5}, {5, 5}, {5, 5});
    QApplication::sendEvent(box, &enter);
    EXPECT_TRUE(box->isHovered());
    QImage shot(26, 26, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    box->render(&shot);
    EXPECT_EQ(shot.pixel(2, 13), qRgb(255, 0, 0));
    test::Click(box, {13, 13});
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(panel->isHidden());
}

} // namespace
} // namespace pv
