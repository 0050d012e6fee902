#include "StampedPaintingsFixture.h"

#include "effects/painting/ImpastoBrushstrokes.h"
#include "platform/system/Errors.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace test;

TEST(Impasto, DerivedValuesAtTheDefaults)
{
    const ImpastoValues v = ComputeImpastoValues(10, 50, 50, 50, 100, 2000, 1000, 8);
    EXPECT_EQ(v.MinSize, 51);
    EXPECT_EQ(v.MaxSize, 256);
    EXPECT_EQ(v.ScaleFactor, 2);
    EXPECT_EQ(v.WorkW, 1000);
    EXPECT_EQ(v.WorkH, 500);
    EXPECT_EQ(v.Levels, 16);
    EXPECT_EQ(v.RefineBase, 7);
    EXPECT_EQ(v.SkipLimit, 42);
    EXPECT_EQ(v.ThreadCount, 7);
    EXPECT_EQ(v.GradW, 256);
    EXPECT_EQ(v.GradH, 128);
    EXPECT_FLOAT_EQ(v.GlobalOpacity, 1.0f);

    const int sizes[] = {256, 209, 171, 140, 116, 97, 82, 72, 64, 59, 55, 53, 52, 51, 51, 51, 51};
    for (int k = 0; k <= 16; ++k) {
        const ImpastoLevel l = ComputeImpastoLevel(v, k, true);
        EXPECT_EQ(l.CurrentBrushSize, sizes[k]) << k;
        EXPECT_EQ(l.IsStochastic, k >= 12) << k;
        EXPECT_EQ(l.SkipCheck, k == 0) << k;
        EXPECT_EQ(l.DensityLayers, k >= 12 ? 1 : 2) << k;
    }
    const ImpastoLevel first = ComputeImpastoLevel(v, 0, true);
    EXPECT_EQ(first.WorkBrushSize, 128);
    EXPECT_EQ(first.CheckStep, 5);
    EXPECT_EQ(first.CurrentRefineCount, 7);
    EXPECT_EQ(first.CurrentSideSteps, 4);
    EXPECT_EQ(first.GridStep, Round(0.8 * 128));
    EXPECT_EQ(first.Threshold, Round(0.35 * 128 * 128));
    const ImpastoLevel last = ComputeImpastoLevel(v, 16, true);
    EXPECT_EQ(last.WorkBrushSize, 25);
    EXPECT_EQ(last.CurrentRefineCount, 3);
    EXPECT_EQ(last.CurrentSideSteps, 1);
    EXPECT_EQ(last.GridStep, 1);
    EXPECT_FALSE(ComputeImpastoLevel(v, 0, false).SkipCheck);

    // The last of the seven bands takes the remaining rows.
    int y0, y1;
    ImpastoBandRows(v, 6, y0, y1);
    EXPECT_EQ(y0, 6 * 71);
    EXPECT_EQ(y1, 500);
}

TEST(Impasto, ParameterEdges)
{
    EXPECT_FLOAT_EQ(ComputeImpastoValues(10, 50, 50, 50, 0, 400, 300, 8).GlobalOpacity, 0.05f);
    const ImpastoValues swapped = ComputeImpastoValues(100, 0, 50, 50, 100, 400, 300, 8);
    EXPECT_EQ(swapped.MinSize, 512);
    EXPECT_EQ(swapped.MaxSize, 512);
    const ImpastoValues full = ComputeImpastoValues(10, 50, 50, 98, 100, 2000, 1000, 8);
    EXPECT_EQ(full.ScaleFactor, 1);
    EXPECT_EQ(full.WorkW, 2000);
    EXPECT_EQ(full.Levels, 18);
    EXPECT_EQ(ComputeImpastoValues(10, 50, 50, 0, 100, 400, 300, 1).Levels, 8);
    EXPECT_EQ(ComputeImpastoValues(10, 50, 50, 30, 100, 400, 300, 1).ThreadCount, 1);
}

TEST(Impasto, BandsRunTogetherOnlyWhenTheyCannotTouchTheSamePixels)
{
    struct Case {
        int P1, P2, P4, w, h, processors;
    } cases[] = {
        {10, 50, 50, 2000, 1000, 8}, {10, 50, 50, 4000, 3000, 8}, {10, 100, 50, 800, 600, 8},
        {0, 20, 100, 300, 200, 16},  {10, 50, 50, 60, 60, 8},     {10, 50, 98, 2000, 1000, 4},
    };
    for (const Case& c : cases) {
        const ImpastoValues v = ComputeImpastoValues(c.P1, c.P2, 50, c.P4, 100, c.w, c.h, c.processors);
        for (int k = 0; k <= v.Levels; ++k) {
            const ImpastoLevel l = ComputeImpastoLevel(v, k, true);
            ASSERT_GE(l.BandStride, 1);
            const int R = Round(0.7 * l.CurrentBrushSize) + 2;
            for (int a = 0; a < v.ThreadCount; ++a)
                for (int b = a + l.BandStride; b < v.ThreadCount; b += l.BandStride) {
                    int a0, a1, b0, b1;
                    ImpastoBandRows(v, a, a0, a1);
                    ImpastoBandRows(v, b, b0, b1);
                    if (a1 <= a0 || b1 <= b0)
                        continue;
                    // Working rows and destination rows each band may write.
                    EXPECT_LT(a1 - 1 + l.ScanLimit, b0 - l.ScanLimit) << c.w << "x" << c.h << " level " << k;
                    EXPECT_LT((a1 - 1) * v.ScaleFactor + R, b0 * v.ScaleFactor - R)
                        << c.w << "x" << c.h << " level " << k;
                }
            // Neighbours never share a phase.
            if (v.ThreadCount > 1) {
                EXPECT_GE(l.BandStride, 2);
            }
        }
    }
}

TEST(Impasto, SeededRunIsTheSameOnOneAndEightWorkers)
{
    FakeHost host;
    WorkingSheetGuard guard;
    host.FSkSourceImage = StampTestPhoto(240, 180);
    RunBrushSheetSetup(304);
    const auto [one, eight] = OnOneAndEightWorkers([&] {
        SetRandSeed(2024);
        const ISkSurface dest = SkSurface::MakeRaster(240, 180);
        SystematicPaintingWithBands(host.FSkSourceImage, dest, 5, 30, 50, 50, 100, false, 8);
        return SurfacePixels(dest);
    });
    EXPECT_EQ(one, eight);
    EXPECT_GT(CountDifferent(one, 0xFFFFFFFFu), 240 * 180 / 2);
}

TEST(Impasto, TinyPicturesAndEmptySheetsPaintNothing)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(304);
    {
        host.FSkSourceImage = StampTestPhoto(49, 1000);
        const ISkSurface dest = SkSurface::MakeRaster(49, 1000);
        SystematicPainting(host.FSkSourceImage, dest, 10, 50, 50, 50, 100, false);
        // The canvas start (white) stays.
        EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), 0);
    }
    {
        host.FSkSourceImage = StampTestPhoto(120, 100);
        host.CustomBrushesOn304 = true;
        host.CustomBrushCount304 = 0;
        const ISkSurface dest = SkSurface::MakeRaster(120, 100);
        ProcessEffectOnSurface(host.FSkSourceImage, dest, 304, 10, 50, 50, 50, 100, false);
        EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), 0);
        EXPECT_EQ(host.GlobalBrushCount.load(), 0);
    }
}

TEST(Impasto, StalePreviewEndsAsAnAbortAndShowsNothing)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(304);
    host.FSkSourceImage = StampTestPhoto(160, 120);
    host.FPreviewGeneration = 3;
    const ISkSurface dest = SkSurface::MakeRaster(160, 120);
    {
        PreviewScope scope(true, 2);
        EXPECT_THROW(SystematicPainting(host.FSkSourceImage, dest, 10, 50, 50, 50, 100, true), EAbort);
    }
    DrainEvents();
    EXPECT_TRUE(host.previews.empty());
}

TEST(Impasto, CancelledRenderEndsWithOneHundredAndOne)
{
    FakeHost host;
    WorkingSheetGuard guard;
    RunBrushSheetSetup(304);
    host.FSkSourceImage = StampTestPhoto(160, 120);
    host.Cancel = true;
    const ISkSurface dest = SkSurface::MakeRaster(160, 120);
    SystematicPainting(host.FSkSourceImage, dest, 10, 50, 50, 50, 100, false);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
    EXPECT_EQ(CountDifferent(SurfacePixels(dest), 0xFFFFFFFFu), 0);
}

} // namespace
} // namespace pv
