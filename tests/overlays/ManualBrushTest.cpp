#include "overlays/ManualBrush.h"

#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/Label.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

QImage EmptyMask(int w, int h)
{
    QImage mask(w, h, QImage::Format_Alpha8);
    mask.fill(0);
    return mask;
}

TEST(ManualBrush, TipCoverageFallsFromTheSoftRadiusToTheRim)
{
    const struct {
        float d, size, softness, coverage;
    } cases[] = {
        {0, 100, 0.5f, 1},     {25, 100, 0.5f, 1},   {37.5f, 100, 0.5f, 0.5f}, {50, 100, 0.5f, 0},
        {0, 100, 1.0f, 1},     {25, 100, 1.0f, 0.5f}, // a cone at full softness
        {49, 100, 0.0f, 1},    {50, 100, 0.0f, 0.5f}, {51, 100, 0.0f, 0},     // a hard disc, one-pixel rim
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(BrushTipCoverage(c.d, c.size, c.softness), c.coverage) << c.d << " " << c.softness;
}

TEST(ManualBrush, StampsAreSpacedAtAFifthOfTheTip)
{
    EXPECT_TRUE(StrokeStamps({0, 0}, {19, 0}, 100).empty());
    const std::vector<QPointF> stamps = StrokeStamps({0, 0}, {50, 0}, 100);
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_EQ(stamps[0], QPointF(25, 0));
    EXPECT_EQ(stamps[1], QPointF(50, 0));
    EXPECT_EQ(StrokeStamps({0, 0}, {3, 0}, 2).size(), 3u); // the spacing is at least one pixel
}

TEST(ManualBrush, TheTipKeepsItsSizeOnScreen)
{
    const struct {
        float zoom;
        int pictureWidth;
    } cases[] = {{2.0f, 50}, {1.0f, 100}, {0.5f, 200}};
    for (const auto& c : cases) {
        QImage mask = EmptyMask(400, 400);
        StampCoverage(mask, QPointF(200, 200), 100, 0.0f, c.zoom);
        int covered = 0;
        for (int x = 0; x < 400; ++x)
            covered += mask.constScanLine(200)[x] > 127;
        EXPECT_NEAR(covered, c.pictureWidth, 2) << c.zoom;
    }
    // More than half a tip outside: nothing.
    QImage mask = EmptyMask(100, 100);
    EXPECT_TRUE(StampCoverage(mask, QPointF(-60, 50), 100, 0.5f, 1).isEmpty());
    EXPECT_FALSE(StampCoverage(mask, QPointF(-40, 50), 100, 0.5f, 1).isEmpty());
}

TEST(ManualBrush, CoverageAddsUpSourceOver)
{
    QImage a = EmptyMask(4, 1), b = EmptyMask(4, 1);
    a.scanLine(0)[0] = 128;
    a.scanLine(0)[1] = 255;
    b.scanLine(0)[0] = 128;
    b.scanLine(0)[2] = 64;
    MergeCoverage(a, b);
    EXPECT_EQ(a.constScanLine(0)[0], 192);
    EXPECT_EQ(a.constScanLine(0)[1], 255);
    EXPECT_EQ(a.constScanLine(0)[2], 64);
    EXPECT_EQ(a.constScanLine(0)[3], 0);
}

struct BrushPanel : ::testing::Test {
    TFrameManualBrush panel;
    int finished = 0;
    void SetUp() override
    {
        panel.resize(800, 600);
        panel.OnStrokeFinished = [this] { ++finished; };
        // A 400 x 300 picture at zoom 1 drawn at (100, 50) inside the canvas.
        panel.Initialize(400, 300, 1.0f, QPointF(100, 50), QRectF(0, 0, 800, 600), {});
    }
};

TEST_F(BrushPanel, AClickWithoutMovementStampsOnceAndApplies)
{
    panel.SetSliders(40, 0, 100);
    panel.BeginStroke(QPointF(300, 200));
    panel.EndStroke(QPointF(300, 200));
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(panel.IsApplying());
    const SkIRect bounds = panel.GetMaskBounds();
    EXPECT_NEAR(bounds.width(), 40, 2);
    EXPECT_NEAR((bounds.left + bounds.right) / 2.0, 200, 1);
    EXPECT_NEAR((bounds.top + bounds.bottom) / 2.0, 150, 1);
    // No new stroke while applying; the reset ends that state.
    panel.BeginStroke(QPointF(100, 100));
    panel.EndStroke(QPointF(100, 100));
    EXPECT_EQ(finished, 1);
    panel.ResetMask();
    EXPECT_FALSE(panel.IsApplying());
    EXPECT_TRUE(panel.GetMaskBounds().isEmpty());
}

TEST_F(BrushPanel, AStrokeLeftUnfinishedIsAppliedWithTheNext)
{
    panel.SetSliders(20, 50, 100);
    panel.BeginStroke(QPointF(150, 100));
    panel.StrokeTo(QPointF(200, 100));
    EXPECT_GT(qAlpha(panel.LiveOverlay().pixel(180, 100)), 0); // shown while painted
    panel.CommitStroke(); // the pointer left the canvas
    EXPECT_EQ(finished, 0);
    panel.BeginStroke(QPointF(400, 250));
    panel.EndStroke(QPointF(400, 250));
    EXPECT_EQ(finished, 1);
    const SkIRect bounds = panel.GetMaskBounds();
    EXPECT_LT(bounds.left, 60);
    EXPECT_GT(bounds.right, 290);
}

TEST_F(BrushPanel, SlidersKeepTheWindowsValues)
{
    panel.SetSliders(250, 30, 60);
    EXPECT_FLOAT_EQ(panel.SizeValue(), 250);
    EXPECT_FLOAT_EQ(panel.SoftnessValue(), 30);
    EXPECT_FLOAT_EQ(panel.OpacityValue(), 60);
    EXPECT_EQ(panel.TrackBarSize()->valueLabel()->text(), u"250");
}

} // namespace
} // namespace pv
