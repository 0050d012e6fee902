#include "FakeHost.h"

#include "engine/SimilaritySmoothSurface.h"

#include <gtest/gtest.h>

#include <vector>

namespace pv {
namespace {

using test::PixelAt;

ISkSurface SurfaceFrom(int w, int h, const std::vector<uint32_t>& px)
{
    const ISkSurface s = SkSurface::MakeRaster(w, h);
    SkPixmap pm;
    s->peekPixels(pm);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pm.at(x, y) = px[size_t(y * w + x)];
    return s;
}

// Opaque blocks of colour with noise, so every pass has work to do.
std::vector<uint32_t> Blotches(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 28) - 8;
            const int base = ((x / 9 + y / 7) % 3) * 70 + 40;
            px[size_t(y * w + x)] = MakeColor(255, uint8_t(base + n), uint8_t(base / 2 + n + 20), uint8_t(200 - base + n));
        }
    return px;
}

std::vector<uint32_t> Pixels(const ISkSurface& s)
{
    SkPixmap pm;
    s->peekPixels(pm);
    std::vector<uint32_t> out;
    for (int y = 0; y < pm.height; ++y)
        out.insert(out.end(), pm.row(y), pm.row(y) + pm.width);
    return out;
}

void Smooth(const ISkSurface& s, const ISkImage& guide, int radius, int threshold, int iterations, bool bilateral,
            float rangeSigma = 5.0f, int threads = 0, int downsample = 1, const std::function<void(float)>& cb = {})
{
    SimilaritySmoothSurface_MT(s, guide, radius, threshold, iterations, bilateral, 1.2f, rangeSigma, threads, cb,
                               downsample);
}

TEST(SimilaritySmooth, HandCheckedRow)
{
    // Radius 1, sigma 1.2: a side neighbour weighs exp(-0.5 / 1.44) = 0.7066.
    // x0: (100 + 0.7066 * 110) / 1.7066 = 104.1; x1: 200 is too far, (0.7066 * 100 + 110) / 1.7066 = 105.9.
    const ISkSurface s = SurfaceFrom(3, 1, {0xFF646464u, 0xFF6E6E6Eu, 0xFFC8C8C8u});
    Smooth(s, nullptr, 1, 30, 1, false);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0xFF686868u, 0xFF6A6A6Au, 0xFFC8C8C8u}));
}

TEST(SimilaritySmooth, CasesThatLeaveThePictureUnchanged)
{
    const std::vector<uint32_t> start = Blotches(40, 30);
    struct Case {
        const char* name;
        int radius, threshold, iterations;
    };
    // A script's huge radius walks no further than the picture.
    for (const Case& c : {Case{"radius 0", 0, 500, 3}, Case{"threshold 0", 4, 0, 3}, Case{"no passes", 4, 500, 0},
                          Case{"huge radius, threshold 0", 2000000000, 0, 1}}) {
        const ISkSurface s = SurfaceFrom(40, 30, start);
        Smooth(s, nullptr, c.radius, c.threshold, c.iterations, true);
        EXPECT_EQ(Pixels(s), start) << c.name;
    }
}

TEST(SimilaritySmooth, TransparentPixelsAreKeptAndNeverContribute)
{
    std::vector<uint32_t> px(9 * 9, 0xFF646464u);
    px[40] = 0;
    px[41] = 0;
    const ISkSurface s = SurfaceFrom(9, 9, px);
    Smooth(s, nullptr, 3, 1000, 2, false);
    EXPECT_EQ(Pixels(s), px);
}

TEST(SimilaritySmooth, DownsampleFactorNeedsRoomForTwoWindows)
{
    EXPECT_EQ(SimilaritySmoothFactor(43, 100, 5, 2, false), 1);
    EXPECT_EQ(SimilaritySmoothFactor(100, 43, 5, 2, false), 1);
    EXPECT_EQ(SimilaritySmoothFactor(44, 44, 5, 2, false), 2);
    EXPECT_EQ(SimilaritySmoothFactor(4000, 3000, 5, 2, true), 1) << "a guide is never downscaled";
    EXPECT_EQ(SimilaritySmoothFactor(4000, 3000, 5, 0, false), 1);
    EXPECT_EQ(SimilaritySmoothFactor(4000, 3000, 5, 3, false), 3);
}

TEST(SimilaritySmooth, GuideOfAnotherSizeMeansTheStartingPictureGuides)
{
    const std::vector<uint32_t> start = Blotches(30, 24);
    const ISkSurface a = SurfaceFrom(30, 24, start);
    const ISkSurface b = SurfaceFrom(30, 24, start);
    Smooth(a, test::SolidImage(7, 7, 0xFF000000u), 2, 12, 3, false);
    Smooth(b, b->makeImageSnapshot(), 2, 12, 3, false);
    EXPECT_EQ(Pixels(a), Pixels(b));
    const ISkSurface self = SurfaceFrom(30, 24, start);
    Smooth(self, nullptr, 2, 12, 3, false);
    EXPECT_NE(Pixels(self), Pixels(a)) << "self-guided passes compare in their own input";
}

TEST(SimilaritySmooth, RangeSigmaOnlyMattersForBilateralWeights)
{
    const std::vector<uint32_t> start = Blotches(30, 24);
    auto run = [&](bool bilateral, float sigma) {
        const ISkSurface s = SurfaceFrom(30, 24, start);
        Smooth(s, nullptr, 2, 60, 2, bilateral, sigma);
        return Pixels(s);
    };
    EXPECT_EQ(run(false, 1.0f), run(false, 100.0f));
    EXPECT_NE(run(true, 1.0f), run(true, 100.0f));
}

TEST(SimilaritySmooth, ProgressIsReportedBeforeEachPass)
{
    std::vector<float> seen;
    const ISkSurface s = SurfaceFrom(30, 24, Blotches(30, 24));
    Smooth(s, nullptr, 1, 30, 4, false, 5.0f, 0, 1, [&](float f) { seen.push_back(f); });
    EXPECT_EQ(seen, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));
}

TEST(SimilaritySmooth, DownsampledTranslucentResultCompositesOverTheSurface)
{
    // A uniform picture survives the half-size round trip; drawn over itself,
    // half-transparent grey 64 (alpha 128) becomes 64 + 64 * 127/255 = 96 at alpha 192.
    const ISkSurface opaque = SurfaceFrom(60, 50, std::vector<uint32_t>(60 * 50, 0xFF336699u));
    Smooth(opaque, nullptr, 5, 30, 3, false, 5.0f, 2, 2);
    EXPECT_EQ(Pixels(opaque), std::vector<uint32_t>(60 * 50, 0xFF336699u));
    const ISkSurface translucent = SurfaceFrom(60, 50, std::vector<uint32_t>(60 * 50, 0x80404040u));
    Smooth(translucent, nullptr, 5, 30, 3, false, 5.0f, 2, 2);
    EXPECT_EQ(PixelAt(translucent, 30, 25), 0xC0606060u);
}

TEST(SimilaritySmooth, ResultDoesNotDependOnPoolSize)
{
    const std::vector<uint32_t> start = Blotches(90, 70);
    auto run = [&](int privateThreads, int downsample) {
        const ISkSurface s = SurfaceFrom(90, 70, start);
        Smooth(s, nullptr, 5, 30, 3, false, 5.0f, privateThreads, downsample);
        return Pixels(s);
    };
    for (int downsample : {1, 2}) {
        SetSharedPoolWorkers(1);
        const std::vector<uint32_t> one = run(0, downsample);
        SetSharedPoolWorkers(0);
        EXPECT_EQ(run(0, downsample), one) << "shared pool, downsample " << downsample;
        EXPECT_EQ(run(1, downsample), one) << "private pool of 1";
        EXPECT_EQ(run(3, downsample), one) << "private pool of 3";
        EXPECT_NE(one, start);
    }
}

} // namespace
} // namespace pv
