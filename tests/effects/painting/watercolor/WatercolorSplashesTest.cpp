#include "StampedPaintingsFixture.h"

#include "effects/painting/watercolor/WatercolorSplashes.h"
#include "platform/system/Errors.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace test;

TEST(WatercolorSplashes, DerivedSizesAndSearchEffort)
{
    struct Case {
        int P1, P2, P4;
        bool doClear;
        int minSize, maxSize, passes, tries, samples;
        bool earlyStop;
        int shift;
    } cases[] = {
        {10, 70, 50, true, 51, 358, 12, 3, 10, true, 0},    // defaults
        {10, 70, 50, false, 51, 238, 12, 3, 10, true, 0},   // over the previous result
        {80, 20, 50, true, 410, 410, 12, 3, 10, true, 0},   // P2 raised to P1
        {80, 20, 50, false, 273, 273, 12, 3, 10, true, 0},
        {0, 100, 100, true, 3, 512, 14, 8, 30, false, -10},
        {0, 100, 10, true, 3, 512, 10, 1, 10, true, 0},
        {0, 100, 75, true, 3, 512, 13, 5, 20, false, -10},
        {0, 0, 50, true, 3, 3, 12, 3, 10, true, 0}, // both sliders at 0: 3-pixel marks
        {0, 0, 50, false, 3, 3, 12, 3, 10, true, 0},
    };
    for (const Case& c : cases) {
        const WatercolorSplashesValues v = ComputeWatercolorSplashesValues(c.P1, c.P2, 50, c.P4, 80, c.doClear);
        EXPECT_EQ(v.MinSize, c.minSize) << c.P1 << "," << c.P2;
        EXPECT_EQ(v.MaxSize, c.maxSize) << c.P1 << "," << c.P2;
        EXPECT_EQ(v.Passes, c.passes) << c.P4;
        EXPECT_EQ(v.StampTries, c.tries) << c.P4;
        EXPECT_EQ(v.PositionSamples, c.samples) << c.P4;
        EXPECT_EQ(v.EarlyStop, c.earlyStop) << c.P4;
        EXPECT_EQ(v.ThresholdShift, c.shift) << c.P4;
    }
    EXPECT_NEAR(ComputeWatercolorSplashesValues(10, 70, 50, 50, 80, true).GridDivisor, 50 / 15.0 + 0.8, 1e-12);
    EXPECT_FLOAT_EQ(ComputeWatercolorSplashesValues(10, 70, 50, 50, 0, true).Opacity, 0.1f);
}

TEST(WatercolorSplashes, SearchPositionsGrowWithTheArea)
{
    struct Case {
        int w, h, s, positions;
    } cases[] = {
        {4000, 3000, 51, 13841}, // three per stroke area
        {4000, 3000, 512, 200},  // at least 200 per 12 megapixels
        {4000, 3000, 20, 30000}, // at most 30000
        {2000, 1500, 512, 50},   // a quarter of the area, a quarter of the bounds
        {2000, 1500, 10, 7500},
        {225, 225, 358, 1},      // a preview's crop: as densely as the whole picture
        {225, 225, 51, 58},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WatercolorSplashesPositions(c.w, c.h, c.s), c.positions) << c.w << "x" << c.h << " s=" << c.s;
}

TEST(WatercolorSplashes, PassValues)
{
    const WatercolorSplashesValues v = ComputeWatercolorSplashesValues(10, 70, 50, 50, 80, true);
    const WatercolorSplashesPass first = ComputeWatercolorSplashesPass(v, 0);
    EXPECT_EQ(first.Size, 358);
    EXPECT_TRUE(first.Grid);
    EXPECT_TRUE(first.Free);
    EXPECT_EQ(first.GridStep, Round(358 / (50 / 15.0 + 0.8)));
    EXPECT_EQ(first.Tries, 5);
    EXPECT_EQ(first.Threshold, 3);
    EXPECT_EQ(first.MinImprovement, Round(0.1 * 358 * 358));
    EXPECT_EQ(first.ScoreStep, 4);
    EXPECT_EQ(first.lo, 389 - (Round(0.7 * 358) + 2));
    EXPECT_EQ(first.hi, 389 + Round(0.7 * 358) + 2);
    const WatercolorSplashesPass second = ComputeWatercolorSplashesPass(v, 1);
    EXPECT_TRUE(second.Grid);
    EXPECT_FALSE(second.Free);
    const WatercolorSplashesPass search = ComputeWatercolorSplashesPass(v, 2);
    EXPECT_FALSE(search.Grid);
    const WatercolorSplashesPass last = ComputeWatercolorSplashesPass(v, 12);
    EXPECT_EQ(last.Size, 51);
    EXPECT_EQ(last.Threshold, 53);
    EXPECT_EQ(last.ScoreStep, 4);
    EXPECT_EQ(last.Tries, 5);
    // Over the previous result: threshold halved, improvement quartered.
    const WatercolorSplashesValues kept = ComputeWatercolorSplashesValues(10, 70, 50, 50, 80, false);
    EXPECT_FALSE(ComputeWatercolorSplashesPass(kept, 0).Free);
    EXPECT_EQ(ComputeWatercolorSplashesPass(kept, 12).Threshold, 53 / 2);
    EXPECT_EQ(ComputeWatercolorSplashesPass(kept, 12).MinImprovement, Round(0.1 * 51 * 51) / 4);
}

TEST(WatercolorSplashes, PaintsSmallAndVeryFlatPicturesLeavesTinyOnesUntouched)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(303);
    {
        const ISkSurface dest = SkSurface::MakeRaster(9, 500);
        NewDirectionalStrokesgood(StampTestPhoto(9, 500), dest, 10, 70, 50, 50, 80, false);
        EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0u), 0);
    }
    // 3000 x 10: the gradient map is one row high, and strokes still find their cells.
    for (const SkISize size : {SkISize{160, 120}, SkISize{3000, 10}}) {
        host.FSkSourceImage = StampTestPhoto(size.fWidth, size.fHeight);
        const ISkSurface dest = SkSurface::MakeRaster(size.fWidth, size.fHeight);
        SetRandSeed(99);
        NewDirectionalStrokesgood(host.FSkSourceImage, dest, 2, 20, 50, 50, 80, false);
        EXPECT_GT(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), size.fWidth * size.fHeight / 2)
            << size.fWidth << "x" << size.fHeight;
    }
}

TEST(WatercolorSplashes, SlidersAtZeroStillPaint)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(303);
    host.FSkSourceImage = StampTestPhoto(60, 40);
    const ISkSurface dest = SkSurface::MakeRaster(60, 40);
    SetRandSeed(4);
    NewDirectionalStrokesgood(host.FSkSourceImage, dest, 0, 0, 50, 50, 80, false);
    EXPECT_GT(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), 60 * 40 / 4);
}

TEST(WatercolorSplashes, WithoutStampsTheCanvasStaysAsItStarted)
{
    FakeHost host;
    WorkingSheetGuard guard;
    host.FSkSourceImage = StampTestPhoto(120, 100);
    host.CustomBrushesOn303 = true; // switched on with no sheet imported
    const ISkSurface dest = SkSurface::MakeRaster(120, 100);
    ProcessEffectOnSurface(host.FSkSourceImage, dest, 303, 10, 70, 50, 50, 80, false);
    EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), 0);
}

TEST(WatercolorSplashes, StalePreviewEndsAsAnAbortAndShowsNothing)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(303);
    host.FSkSourceImage = StampTestPhoto(160, 120);
    host.FPreviewGeneration = 5;
    const ISkSurface dest = SkSurface::MakeRaster(160, 120);
    {
        PreviewScope scope(true, 4); // a newer preview has started
        EXPECT_THROW(NewDirectionalStrokesgood(host.FSkSourceImage, dest, 10, 70, 50, 50, 80, true), EAbort);
    }
    DrainEvents();
    EXPECT_TRUE(host.previews.empty());
    // A current preview runs to its end and shows its picture.
    LastProgressTick = 0;
    {
        PreviewScope scope(true, 5);
        NewDirectionalStrokesgood(host.FSkSourceImage, dest, 10, 70, 50, 50, 80, true);
    }
    DrainEvents();
    ASSERT_FALSE(host.previewPercents.empty());
    EXPECT_EQ(host.previewPercents.back(), 101);
}

} // namespace
} // namespace pv
