#include "StampedPaintingsFixture.h"

#include "effects/painting/OilPastel.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace test;

TEST(OilPastel, DerivedSizesAndScratch)
{
    struct Case {
        int P1, P2;
        bool doClear;
        int minSize, maxSize, scratch;
    } cases[] = {
        {10, 70, true, 43, 283, 473},  // defaults, erased canvas
        {10, 70, false, 43, 188, 370}, // over the previous result
        {70, 10, true, 23, 43, 370},   // P1 becomes 5
        {0, 0, true, 3, 3, 370},       // P1 becomes 0 after -5
    };
    for (const Case& c : cases) {
        const OilPastelValues v = ComputeOilPastelValues(c.P1, c.P2, 30, 30, 100, 4000, 3000, c.doClear);
        EXPECT_EQ(v.MinSize, c.minSize) << c.P1 << "," << c.P2;
        EXPECT_EQ(v.MaxSize, c.maxSize) << c.P1 << "," << c.P2;
        EXPECT_EQ(v.ScratchSide, c.scratch) << c.P1 << "," << c.P2;
    }
    const OilPastelValues v = ComputeOilPastelValues(10, 70, 30, 30, 0, 4000, 3000, true);
    EXPECT_EQ(v.Repeats, 30);
    EXPECT_EQ(v.StampTries, 3);
    EXPECT_FLOAT_EQ(v.Opacity, 0.1f);
    // Script-sized values are held to the sliders' range.
    const OilPastelValues huge = ComputeOilPastelValues(-50, 2000000000, 2000000000, 2000000000, 100, 4000, 3000, true);
    EXPECT_EQ(huge.MinSize, 3);
    EXPECT_EQ(huge.MaxSize, 403);
    EXPECT_EQ(huge.Repeats, 100);
    EXPECT_EQ(huge.StampTries, 7);
    EXPECT_EQ(huge.ScratchSide, Round(1.6 * 403) + 20);
}

TEST(OilPastel, StepValuesFollowTheStrokeSize)
{
    const OilPastelValues v = ComputeOilPastelValues(10, 70, 30, 30, 100, 4000, 3000, true);
    const int C = v.ScratchSide / 2;
    struct Case {
        int s, samples, step, extra, repeats;
    } cases[] = {
        {283, 1500, 4, 0, 5},
        {100, 250, 4, 0, 5},   // below 3/4 and 1/2 of the largest size
        {43, 125, 2, 0, 15},   // below a quarter too
        {20, 125, 1, 4, 30},   // 14000 / 400 = 35 -> 23 -> 4 extra attempts
        {5, 125, 1, 50, 30},   // capped at 50
    };
    for (const Case& c : cases) {
        const OilPastelStep st = ComputeOilPastelStep(v, c.s);
        EXPECT_EQ(st.Samples, c.samples) << c.s;
        EXPECT_EQ(st.ScoreStep, c.step) << c.s;
        EXPECT_EQ(st.Extra, c.extra) << c.s;
        EXPECT_EQ(st.Repeats, c.repeats) << c.s;
        const int e = Round(0.75 * c.s) + 4;
        EXPECT_EQ(st.lo, std::max(1, C - e));
        EXPECT_EQ(st.hi, std::min(C + e, v.ScratchSide - 2));
    }
    // Thresholds are 64-bit: huge strokes from scripts do not wrap around.
    EXPECT_EQ(OilPastelThreshold(100, 600, true), 25000);
    EXPECT_EQ(OilPastelThreshold(100, 500, true), 55000);
    EXPECT_EQ(OilPastelThreshold(100, 500, false), 27500);
    EXPECT_EQ(OilPastelThreshold(50000, 600, true), int64_t(6250000000));
}

TEST(OilPastel, StrokeBudgetGrowsWithTheAreaAboveTwoMegapixels)
{
    // A fixed budget left white paper showing on 12-MP pictures: above 2 MP
    // every step repeats its attempts in proportion to the area.
    struct Case {
        int w, h, s, repeats;
    } cases[] = {
        {1000, 800, 283, 6},   // R = 5: six repeats, as the step says
        {1633, 1225, 283, 6},  // 2.0 MP
        {2000, 1500, 283, 9},  // 3 MP: 1.5 x
        {4000, 3000, 283, 36}, // 12 MP: 6 x
        {4000, 3000, 20, 186}, // R = 30
    };
    for (const Case& c : cases) {
        const OilPastelValues v = ComputeOilPastelValues(10, 70, 30, 30, 100, c.w, c.h, true);
        const OilPastelStep st = ComputeOilPastelStep(v, c.s);
        EXPECT_EQ(OilPastelRepeatCount(v, st), c.repeats) << c.w << "x" << c.h;
        // Once the paper is covered the extra repeats are not needed: the base rate.
        EXPECT_EQ(OilPastelRepeatCount(v, st, false), st.Repeats + 1) << c.w << "x" << c.h;
    }
    // The paper counts as covered at 0.1 % of the picture (12 000 pixels at 12 MP).
    EXPECT_TRUE(OilPastelPaperShows(12001, 12000000));
    EXPECT_FALSE(OilPastelPaperShows(12000, 12000000));
    EXPECT_FALSE(OilPastelPaperShows(0, 12000000));
    // A preview paints as densely as the full render it stands for.
    EXPECT_FLOAT_EQ(OilPastelPreviewRatio(200, 100, 100000), 0.2f);
    EXPECT_FLOAT_EQ(OilPastelPreviewRatio(200, 100, 12000000), 0.01f);
    EXPECT_FLOAT_EQ(OilPastelPreviewRatio(200, 100, 0), 1.0f);
}

TEST(OilPastel, StrokeSizesStayWithinHalfThePicture)
{
    SetRandSeed(7);
    const OilPastelValues v = ComputeOilPastelValues(18, 100, 30, 30, 100, 200, 150, true);
    ASSERT_EQ(v.MinSize, 75);
    for (int i = 1000; i >= 0; --i)
        EXPECT_LE(OilPastelStrokeSize(v, i, 200, 150), 75) << i;
    const OilPastelValues small = ComputeOilPastelValues(2, 100, 30, 30, 100, 200, 150, true);
    for (int i = 1000; i >= 0; --i) {
        const int s = OilPastelStrokeSize(small, i, 200, 150);
        EXPECT_GE(s, small.MinSize);
        EXPECT_LE(s, 75);
    }
}

TEST(OilPastel, SeededRunPaintsTheSamePictureAndShowsTenIntermediates)
{
    FakeHost host;
    host.FSkSourceImage = StampTestPhoto(160, 120);
    WorkingSheetGuard guard;
    RunBrushSheetSetup(302);
    auto run = [&] {
        const ISkSurface dest = SkSurface::MakeRaster(160, 120);
        NewRandomStrokes_BestOfNSeeded(host.FSkSourceImage, dest, 10, 70, 5, 30, 100, false, 1234);
        return SurfacePixels(dest);
    };
    const std::vector<uint32_t> first = run();
    DrainEvents();
    EXPECT_EQ(host.redraws, 10);
    EXPECT_EQ(run(), first);
    // Strokes cover the white paper the canvas started as.
    EXPECT_GT(CountDifferent(first, 0xFFFFFFFFu), 160 * 120 / 2);
}

TEST(OilPastel, TinyTransparentOrBrushlessRunsPaintNothing)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(302);
    // Below 100 pixels on a side: the destination stays as handed over, and no 101.
    {
        const ISkSurface dest = SkSurface::MakeRaster(99, 500);
        NewRandomStrokes_BestOfNSeeded(StampTestPhoto(99, 500), dest, 10, 70, 30, 30, 100, false, 1);
        EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0u), 0);
        DrainEvents();
        EXPECT_TRUE(host.progress.empty());
    }
    // A transparent source yields no stroke centres: the transparent start remains.
    {
        host.FSkSourceImage = StampTestPhoto(120, 120, 0);
        const ISkSurface dest = SkSurface::MakeRaster(120, 120);
        NewRandomStrokes_BestOfNSeeded(host.FSkSourceImage, dest, 10, 70, 30, 30, 100, false, 1);
        EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0u), 0);
    }
    // The user's sheet switched on but empty: no stamps, the white start remains.
    {
        host.FSkSourceImage = StampTestPhoto(120, 120);
        host.CustomBrushesOn302 = true;
        const ISkSurface dest = SkSurface::MakeRaster(120, 120);
        ProcessEffectOnSurface(host.FSkSourceImage, dest, 302, 10, 70, 30, 30, 100, false);
        EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), 0);
    }
}

} // namespace
} // namespace pv
