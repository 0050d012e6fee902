#include "overlays/OverlayHost.h"

#include "overlays/OverlayPanel.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <gtest/gtest.h>

namespace pv {
namespace {

// A panel whose Cancel asks the layer to close, as every hosted panel does.
class TestPanel : public TOverlayPanel {
public:
    explicit TestPanel(TOverlayHost& host) : TOverlayPanel(QSize(120, 80), QPoint(90, 4)), host_(host) {}
    void CancelClick() override
    {
        ++cancels;
        host_.PostCloseOverlay();
    }
    int cancels = 0;

private:
    TOverlayHost& host_;
};

class White : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::white); }
};

class OverlayHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        content = new White(&window);
        content->setGeometry(window.rect());
        host = new TOverlayHost(&window);
        window.show();
        QApplication::processEvents();
    }
    QWidget window;
    White* content = nullptr;
    TOverlayHost* host = nullptr;
};

TEST(OverlayBackdrop, ScaledCaptureWithRoundedDarkenedCorners)
{
    QWidget window;
    window.resize(100, 60);
    auto* white = new White(&window);
    white->setGeometry(window.rect());
    const QImage capture = CaptureWindow(&window, nullptr, 1.5);
    ASSERT_EQ(capture.size(), QSize(150, 90));
    const QImage backdrop = MakeOverlayBackdrop(capture, 1.5);
    ASSERT_EQ(backdrop.size(), QSize(150, 90));
    // Corner radius 22.5: (3, 3) lies outside the rounded corner, (10, 10) inside.
    EXPECT_EQ(qAlpha(backdrop.pixel(3, 3)), 0);
    EXPECT_EQ(qAlpha(backdrop.pixel(10, 10)), 255);
    // White under black at alpha 100: 255 * 155 / 255.
    const QRgb middle = backdrop.pixel(75, 45);
    EXPECT_NEAR(qRed(middle), 155, 1);
    EXPECT_EQ(qRed(middle), qBlue(middle));
}

TEST_F(OverlayHostTest, ShowsOnePanelCentredOverAFullWindowLayer)
{
    auto* panel = new TestPanel(*host);
    host->ShowOverlayFrame(panel);
    EXPECT_TRUE(host->isVisible());
    EXPECT_EQ(host->geometry(), window.rect());
    EXPECT_EQ(host->ActiveOverlayFrame(), panel);
    EXPECT_EQ(panel->geometry().center(), window.rect().center());
    EXPECT_FALSE(host->Backdrop().isNull());
}

TEST_F(OverlayHostTest, ClicksOutsideThePanelGoNowhere)
{
    host->ShowOverlayFrame(new TestPanel(*host));
    const QPoint outside(10, 10);
    ASSERT_EQ(window.childAt(outside), host);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(outside), window.mapToGlobal(QPointF(outside)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    press.ignore();
    QApplication::sendEvent(host, &press);
    EXPECT_TRUE(press.isAccepted());
}

TEST_F(OverlayHostTest, FollowsWindowResizesWithoutANewCapture)
{
    auto* panel = new TestPanel(*host);
    host->ShowOverlayFrame(panel);
    const qint64 backdrop = host->Backdrop().cacheKey();
    window.resize(600, 500);
    QApplication::processEvents();
    EXPECT_EQ(host->geometry(), window.rect());
    EXPECT_EQ(panel->geometry().center(), window.rect().center());
    EXPECT_EQ(host->Backdrop().cacheKey(), backdrop);
}

TEST_F(OverlayHostTest, ClosePostedFromThePanelsHandlerDeletesItAfterwards)
{
    QPointer<TestPanel> panel = new TestPanel(*host);
    host->ShowOverlayFrame(panel);
    panel->DialogKey(Qt::Key_Escape, Qt::NoModifier);
    // Still there while its own handler runs.
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->cancels, 1);
    EXPECT_TRUE(host->isVisible());
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(panel);
    EXPECT_FALSE(host->isVisible());
    EXPECT_EQ(host->ActiveOverlayFrame(), nullptr);
}

TEST_F(OverlayHostTest, ReplacingAFillingPanelClosesItProperlyFirst)
{
    // The manual brush fills the layer; whoever replaces it must let it close
    // itself (its owner's pointer included) before it goes.
    QPointer<QWidget> brush = new QWidget;
    QWidget* ownerPointer = brush;
    int evictions = 0;
    host->ShowFilling(brush, [&] {
        ++evictions;
        ownerPointer = nullptr;
    });
    EXPECT_EQ(host->ActiveOverlayFrame(), nullptr);
    auto* panel = new TestPanel(*host);
    host->ShowOverlayFrame(panel);
    EXPECT_EQ(evictions, 1);
    EXPECT_EQ(ownerPointer, nullptr);
    EXPECT_EQ(host->ActiveOverlayFrame(), panel);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(brush);
    host->CloseOverlay();
    EXPECT_EQ(evictions, 1);
}

TEST_F(OverlayHostTest, TabCyclesInsideThePanelBothWays)
{
    auto* panel = new TestPanel(*host);
    auto* a = new QLineEdit(panel);
    auto* b = new QLineEdit(panel);
    host->ShowOverlayFrame(panel);
    window.activateWindow();
    a->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(a->hasFocus());
    EXPECT_TRUE(panel->DialogKey(Qt::Key_Tab, Qt::NoModifier));
    EXPECT_TRUE(b->hasFocus());
    EXPECT_TRUE(panel->DialogKey(Qt::Key_Tab, Qt::NoModifier));
    EXPECT_TRUE(a->hasFocus());
    EXPECT_TRUE(panel->DialogKey(Qt::Key_Tab, Qt::ShiftModifier));
    EXPECT_TRUE(b->hasFocus());
}

} // namespace
} // namespace pv
