#include "engine/FakeHost.h"

#include "effects/painting/StochasticPainting.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::DrainEvents;
using test::FakeHost;
using test::ImageFromPixels;
using test::OnOneAndEightWorkers;
using test::SolidImage;

// Soft diagonal stripes with a dark disc: edges in several directions.
ISkImage Stripes(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int band = ((x + y) / 12) % 3;
            uint32_t c = band == 0 ? 0xFFD04020u : (band == 1 ? 0xFF30A060u : 0xFF2040C0u);
            if ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < (h / 4) * (h / 4))
                c = 0xFF202020u;
            px[size_t(y * w + x)] = c;
        }
    return ImageFromPixels(w, h, px);
}

ISkSurface Paint(const ISkImage& source, int P1, int P2, int P3, int P4, int P5, uint32_t seed, bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    SetRandSeed(seed);
    StochasticPainting(source, dest, P1, P2, P3, P4, P5, preview);
    return dest;
}

TEST(StochasticPainting, DerivedValues)
{
    struct Case {
        int P1, P2, P3, P4, P5, w, h;
        int minSize, maxSize, opacity, step, tries;
        int64_t dabs;
    };
    const Case cases[] = {
        {10, 50, 20, 50, 90, 1000, 1000, 20, 100, 229, 5, 6, 87500}, // defaults
        {10, 50, 20, 90, 90, 1000, 1000, 20, 100, 229, 1, 10, 65625},
        {0, 200, 20, 50, 100, 1000, 1000, 5, 250, 255, 5, 6, 87500},
        {60, 20, 20, 50, 50, 1000, 1000, 40, 120, 127, 5, 6, 87500}, // swapped
        {10, 50, 20, 50, 7, 1000, 1000, 20, 100, 20, 5, 6, 87500},
        {10, 50, 20, 100, 90, 1000, 1000, 20, 100, 229, 1, 11, 65625},
        {10, 50, 55, 100, 90, 1000, 1000, 20, 100, 229, 1, 5, 164062},
        {10, 50, 70, 100, 90, 1000, 1000, 20, 100, 229, 2, 5, 206250},
        {10, 50, 90, 100, 90, 1000, 1000, 20, 100, 229, 3, 2, 262500},
        {10, 50, 20, 1, 90, 1000, 1000, 20, 100, 229, 10, 1, 87500},
        {10, 50, 20, -7, 90, 1000, 1000, 20, 100, 229, 10, 1, 87500},
        {10, 50, 20, 50, 90, 19, 21, 20, 100, 229, 5, 6, 0}, // under 400 pixels
        // Script-sized values: the density stops at the slider's top, no dab below zero.
        {10, 50, 2000000000, 50, 2000000000, 100, 100, 20, 100, 255, 5, 2, 3875},
        {-2000000000, 2000000000, -2000000000, 50, -2000000000, 100, 100, 5, 250, 20, 5, 6, 0},
    };
    for (const Case& c : cases) {
        const StochasticPaintingParams p = ComputeStochasticPaintingParams(c.P1, c.P2, c.P3, c.P4, c.P5, c.w, c.h);
        EXPECT_EQ(p.MinSize, c.minSize) << c.P1 << " " << c.P2;
        EXPECT_EQ(p.MaxSize, c.maxSize) << c.P1 << " " << c.P2;
        EXPECT_EQ(p.Opacity, c.opacity) << c.P5;
        EXPECT_EQ(p.SampleStep, c.step) << c.P3 << " " << c.P4;
        EXPECT_EQ(p.Tries, c.tries) << c.P3 << " " << c.P4;
        EXPECT_EQ(p.DabCount, c.dabs) << c.P3 << " " << c.P4 << " " << c.w;
    }
    EXPECT_EQ(ComputeStochasticPaintingParams(10, 50, 20, 50, 90, 1000, 1000).ReportEvery, 875);
}

TEST(StochasticPainting, DabsShrinkWithACubicEase)
{
    EXPECT_EQ(StochasticDabSize(0, 1000, 20, 100), 100.0f);
    EXPECT_EQ(StochasticDabSize(500, 1000, 20, 100), 30.0f);
    EXPECT_NEAR(StochasticDabSize(999, 1000, 20, 100), 20.0f, 0.01f);
}

TEST(StochasticPainting, PictureUnderFourHundredPixelsGetsOnlyTheCanvas)
{
    const ISkSurface dest = Paint(SolidImage(19, 21, 0xFF102030u), 10, 50, 20, 50, 90, 5);
    for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0xFFFFFFFFu);
}

TEST(StochasticPainting, SeededRunPaintsThePicturesColours)
{
    const ISkImage source = Stripes(120, 90);
    const std::vector<uint32_t> a = AllPixels(Paint(source, 5, 15, 20, 50, 90, 42)->makeImageSnapshot());
    EXPECT_EQ(a, AllPixels(Paint(source, 5, 15, 20, 50, 90, 42)->makeImageSnapshot()));
    const std::vector<uint32_t> src = AllPixels(source);
    int64_t white = 0, diff = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        white += a[i] == 0xFFFFFFFFu;
        for (int shift = 0; shift <= 16; shift += 8)
            diff += std::abs(int((a[i] >> shift) & 0xFF) - int((src[i] >> shift) & 0xFF));
    }
    EXPECT_LT(white, int64_t(a.size() / 20)) << "the dabs cover the canvas";
    EXPECT_LT(diff / int64_t(a.size()), 3 * 40) << "in the picture's colours";
}

TEST(StochasticPainting, SamePictureOnOneAndEightWorkers)
{
    // Dabs of up to 10 and 16 pixels, drawn beside the measuring on a picture
    // of 160 x 120, meet often: each is measured on, and laid over, what the
    // dabs before it left.
    for (const int P2 : {5, 8}) {
        const auto [one, eight] = OnOneAndEightWorkers(
            [&] { return AllPixels(Paint(Stripes(160, 120), 2, P2, 40, 50, 90, 7)->makeImageSnapshot()); });
        EXPECT_EQ(one, eight) << P2;
    }
}

TEST(StochasticPainting, NoDabStartsOnTransparentPixels)
{
    // Left of x = 100 the picture is transparent; dabs of at most 10 pixels
    // centred on the right reach no further left than x = 92. The canvas
    // starts from the picture's coverage, so the left stays transparent.
    const int w = 200, h = 60;
    std::vector<uint32_t> px(size_t(w * h), 0xFF3060A0u);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 100; ++x)
            px[size_t(y * w + x)] = 0;
    const ISkSurface dest = Paint(ImageFromPixels(w, h, px), 0, 0, 100, 50, 100, 9);
    const std::vector<uint32_t> out = AllPixels(dest->makeImageSnapshot());
    int64_t painted = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < 90)
                ASSERT_EQ(out[size_t(y * w + x)], 0u) << x << "," << y;
            else if (x >= 100)
                painted += out[size_t(y * w + x)] != 0xFFFFFFFFu;
        }
    EXPECT_GT(painted, int64_t(100 * h / 2));
}

TEST(StochasticPainting, CancelledFullRenderStopsBeforePainting)
{
    FakeHost host;
    host.Cancel = true;
    const ISkImage source = Stripes(60, 40);
    const ISkSurface dest = SkSurface::MakeRaster(60, 40);
    EXPECT_THROW(StochasticPainting(source, dest, 10, 50, 20, 50, 90, false), EAbort);
    for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
    DrainEvents();
}

TEST(StochasticPainting, FullRenderEndsWithTheFinalPicture)
{
    FakeHost host;
    host.FSkSourceImage = Stripes(60, 40);
    const ISkSurface dest = Paint(host.FSkSourceImage, 5, 15, 20, 50, 90, 3);
    DrainEvents();
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
    ASSERT_TRUE(host.FSkImage);
    EXPECT_EQ(AllPixels(host.FSkImage), AllPixels(dest->makeImageSnapshot()));
    EXPECT_GE(host.redraws, 1);
}

TEST(StochasticPainting, StalePreviewEndsWithoutReachingThePreviewBox)
{
    FakeHost host;
    host.FPreviewGeneration = 4;
    const ISkImage source = Stripes(60, 40);
    {
        PreviewScope scope(true, 4);
        const ISkSurface dest = SkSurface::MakeRaster(60, 40);
        SetRandSeed(1);
        host.FPreviewGeneration = 5; // a newer preview started
        EXPECT_THROW(StochasticPainting(source, dest, 10, 50, 20, 50, 90, true), EAbort);
    }
    DrainEvents();
    EXPECT_TRUE(host.previews.empty());
}

} // namespace
} // namespace pv
