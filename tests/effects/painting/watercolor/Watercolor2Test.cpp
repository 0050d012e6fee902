#include "engine/FakeHost.h"
#include "PaintingPictures.h"

#include "effects/painting/watercolor/Watercolor2.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::FakeHost;
using test::ImageFromPixels;
using test::SolidImage;

// Opaque areas of a few flat colours with soft noise: a sky, a field, a dark stripe.
ISkImage Scene(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int n = int(((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) % 7u) - 3;
            uint32_t c = y < h / 2 ? MakeColor(255, uint8_t(100 + n), uint8_t(150 + n), uint8_t(220 + n))
                                   : MakeColor(255, uint8_t(70 + n), uint8_t(130 + n), uint8_t(50 + n));
            if (x > w / 3 && x < w / 3 + std::max(2, w / 10))
                c = MakeColor(255, uint8_t(30 + n), uint8_t(20 + n), uint8_t(25 + n));
            px[size_t(y) * size_t(w) + size_t(x)] = c;
        }
    return ImageFromPixels(w, h, px);
}

std::vector<uint32_t> Paint(const ISkImage& source, int P1, int P2, int P3, int P4, int P5, uint32_t seed,
                            bool preview = false)
{
    return test::PaintedPixels(&RegionGrowing, source, P1, P2, P3, P4, P5, seed, preview);
}

void ExpectValidPremultiplied(const std::vector<uint32_t>& pixels)
{
    for (uint32_t p : pixels) {
        const uint32_t a = p >> 24;
        ASSERT_LE(ColorR(p), a) << std::hex << p;
        ASSERT_LE(ColorG(p), a) << std::hex << p;
        ASSERT_LE(ColorB(p), a) << std::hex << p;
    }
}

TEST(RegionGrowingParams, DerivedValues)
{
    struct Case {
        int P1, P3, P4, P5;
        int64_t limit;
        bool brighten;
        int brightness;
        bool edges;
        int cap;
        bool saturate;
        float f;
    };
    const Case cases[] = {
        {90, 60, 20, 55, 126, true, 26, true, 26, true, 1.1f}, // the defaults
        {0, 50, 0, 50, 0, false, 0, false, 0, false, 1.0f},     // 2.55 * 50 rounds to 127
        {100, 100, 100, 0, 140, true, 128, true, 130, true, 0.0f},
        {1, 0, 1, 100, 1, true, -127, true, 1, true, 2.0f},
        {90, 60, 196, 55, 126, true, 26, true, 255, true, 1.1f}, // Round(254.8)
        {90, 60, 197, 55, 126, true, 26, true, 255, true, 1.1f}, // 256 saturates at 255
        {90, 60, -5, 55, 126, true, 26, false, 0, true, 1.1f},
        // Script-sized values: no overflow, brightness and edges saturate.
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 3006477106, true, 255, true, 255, true, 42949673.94f},
        {INT_MIN, INT_MIN, INT_MIN, INT_MIN, -3006477107, true, -255, false, 0, true, -42949672.96f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.P1 << " " << c.P3 << " " << c.P4 << " " << c.P5);
        const RegionGrowingParams p = ComputeRegionGrowingParams(c.P1, 20, c.P3, c.P4, c.P5);
        EXPECT_EQ(p.seedingLimit, c.limit);
        EXPECT_EQ(p.brighten, c.brighten);
        if (c.brighten) {
            EXPECT_EQ(p.brightness, c.brightness);
        }
        EXPECT_EQ(p.edges, c.edges);
        if (c.edges) {
            EXPECT_EQ(p.edgeCap, c.cap);
        }
        EXPECT_EQ(p.saturate, c.saturate);
        EXPECT_FLOAT_EQ(p.saturation, c.f);
    }
}

TEST(RegionGrowingParams, Tolerance)
{
    struct Case {
        int P2, r;
        int64_t n;
        bool preview;
        int t;
    };
    const Case cases[] = {
        {20, 1, 0, false, 20},   // P2 - r + 1
        {20, 30, 0, false, 3},   // P2 shr 3 + 1
        {20, 1, 512, false, 41}, // + 21 * 512 div 512
        {20, 1, 32, true, 41},   // previews grow 16 times faster
        {0, 1, 0, false, 1},     // exact matches only
        {0, 5, 1023, false, 2},  // grows by n div 512
        {20, 1, 100000, false, 766},
        {INT_MAX, 1, 700000, false, 766}, // 64-bit product, every colour accepted
        {-1, 3, 0, false, 766},           // a logical shift of -1 is huge
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegionGrowingTolerance(c.P2, c.r, c.n, c.preview), c.t)
            << c.P2 << " " << c.r << " " << c.n << " " << c.preview;
}

TEST(WatercolorPaper, FillFromPicture)
{
    // 3 x 2: red channel stored column by column, the rest of the grid 128.
    const ISkImage picture = ImageFromPixels(3, 2, {0xFF0A0000u, 0xFF140000u, 0xFF1E0000u, //
                                                    0xFF280000u, 0xFF320000u, 0xFF3C0000u});
    const WatercolorPaperGrid paper = WatercolorPaperFrom(picture);
    ASSERT_TRUE(paper.loaded);
    EXPECT_EQ(paper.bytes[0 * 768 + 0], 10);
    EXPECT_EQ(paper.bytes[1 * 768 + 0], 20);
    EXPECT_EQ(paper.bytes[2 * 768 + 1], 60);
    EXPECT_EQ(paper.bytes[0 * 768 + 1], 40);
    EXPECT_EQ(paper.bytes[3 * 768 + 0], 128);
    EXPECT_EQ(paper.mean, 35);
    // (35 - 60) * 75 div 255 truncates toward zero; the grid wraps at 1023 and 767.
    EXPECT_EQ(paper.Offset(2, 1), -7);
    EXPECT_EQ(paper.Offset(1023 + 2, 767 + 1), -7);
    EXPECT_EQ(paper.Offset(0, 0), 7);

    EXPECT_EQ(WatercolorPaperFrom(ImageFromPixels(1, 1, {0xFF0A0000u})).mean, 128) << "one column: mean 128";
    const WatercolorPaperGrid none = WatercolorPaperFrom(nullptr);
    EXPECT_FALSE(none.loaded);
    EXPECT_EQ(none.Offset(5, 5), 0);

    const WatercolorPaperGrid& repository = LoadWatercolorPaper();
    EXPECT_TRUE(repository.loaded);
    EXPECT_EQ(&LoadWatercolorPaper(), &repository) << "filled once for the process";
}

TEST(RegionGrowing, IsRegisteredAsWatercolor2)
{
    const EffectInfo* effect = FindEffect(301);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->proc, &RegionGrowing);
}

TEST(RegionGrowing, PicturesBelowFourPixelsAreLeftAlone)
{
    FakeHost host;
    for (auto [w, h] : {std::pair{3, 3}, std::pair{3, 40}, std::pair{1000, 3}}) {
        const ISkSurface dest = SkSurface::MakeRaster(w, h);
        dest->getCanvas()->clear(0xFF123456u);
        RegionGrowing(Scene(w, h), dest, 90, 20, 60, 20, 55, false);
        for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
            ASSERT_EQ(p, 0xFF123456u);
    }
    test::DrainEvents();
    EXPECT_TRUE(host.progress.empty()) << "nothing reported, not even 101";
}

TEST(RegionGrowing, SmallPicturesAreFilledFromTheLeftoversOnly)
{
    // 8 x 8: no ring reaches 8, so no region is accepted; with neutral
    // brightness, edges and saturation every pixel is the source plus the paper.
    const WatercolorPaperGrid& paper = LoadWatercolorPaper();
    const std::vector<uint32_t> out = Paint(SolidImage(8, 8, 0xFF6496C8u), 90, 20, 50, 0, 50, 7);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int o = paper.Offset(x, y);
            EXPECT_EQ(out[size_t(y * 8 + x)], MakeColor(255, uint8_t(std::clamp(100 + o, 0, 254)),
                                                        uint8_t(std::clamp(150 + o, 0, 254)),
                                                        uint8_t(std::clamp(200 + o, 0, 254))))
                << x << "," << y;
        }
}

TEST(RegionGrowing, RegionsAreFlatWashesOfTheirAverageColour)
{
    // 9 x 9 of one colour: a seed in a corner reaches ring 8, so a region is
    // painted; each of its pixels is average + tint + paper, within 0..254.
    const WatercolorPaperGrid& paper = LoadWatercolorPaper();
    bool sawRegion = false;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const std::vector<uint32_t> out = Paint(SolidImage(9, 9, 0xFF6496C8u), 90, 20, 50, 0, 50, seed);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x) {
                const uint32_t p = out[size_t(y * 9 + x)];
                ASSERT_EQ(p >> 24, 255u);
                const int o = paper.Offset(x, y);
                const bool leftover = ColorR(p) == std::clamp(100 + o, 0, 254) &&
                                      ColorG(p) == std::clamp(150 + o, 0, 254);
                sawRegion |= !leftover;
                // Every wash keeps the channel differences of the flat colour.
                if (ColorR(p) > 0 && ColorB(p) < 254) {
                    EXPECT_EQ(int(ColorG(p)) - int(ColorR(p)), 50);
                    EXPECT_EQ(int(ColorB(p)) - int(ColorR(p)), 100);
                }
            }
    }
    EXPECT_TRUE(sawRegion);
}

TEST(RegionGrowing, SameSeedSamePaintingOnAnyPoolSize)
{
    for (auto [w, h] : {std::pair{1000, 4}, std::pair{9, 9}, std::pair{120, 90}}) {
        const ISkImage source = Scene(w, h);
        const auto [one, eight] = test::OnOneAndEightWorkers([&] { return Paint(source, 90, 20, 60, 20, 55, 42); });
        EXPECT_EQ(one, eight) << w << "x" << h;
        EXPECT_EQ(Paint(source, 90, 20, 60, 20, 55, 42), one);
        for (uint32_t p : one)
            ASSERT_EQ(p >> 24, 255u);
    }
    const ISkImage source = Scene(120, 90);
    EXPECT_NE(Paint(source, 90, 20, 60, 20, 55, 42), Paint(source, 90, 20, 60, 20, 55, 43));
}

TEST(RegionGrowing, PaintsFlatWashesCloseToTheSource)
{
    const ISkImage source = Scene(160, 120);
    const std::vector<uint32_t> out = Paint(source, 90, 20, 50, 0, 50, 3);
    const std::vector<uint32_t> in = AllPixels(source);
    int64_t error = 0;
    for (size_t i = 0; i < in.size(); ++i)
        for (int shift : {0, 8, 16})
            error += std::abs(int((out[i] >> shift) & 0xFF) - int((in[i] >> shift) & 0xFF));
    // Washes, tint and grain stay within a few levels of the flat areas on average.
    EXPECT_LT(double(error) / double(in.size() * 3), 16.0);
    EXPECT_NE(out, in);
}

TEST(RegionGrowing, TranslucentSourcesGiveValidPremultipliedPixels)
{
    // Straight (240, 200, 160) at alpha 200 beside fully transparent pixels,
    // with the strongest brightness and saturation.
    std::vector<uint32_t> px(size_t(40 * 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            px[size_t(y * 40 + x)] = x < 20 ? PremultiplyColor(0xC8F0C8A0u) : 0u;
    const ISkImage source = ImageFromPixels(40, 30, px);
    for (auto [P3, P4, P5] : {std::tuple{100, 100, 100}, std::tuple{50, 0, 50}, std::tuple{0, 300, 0}}) {
        const std::vector<uint32_t> out = Paint(source, 90, 20, P3, P4, P5, 9);
        ExpectValidPremultiplied(out);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(out[size_t(y * 40 + x)] >> 24, x < 20 ? 200u : 0u) << x << "," << y;
        if (P3 == 50) {
            // No finishing change: the wash keeps the source's straight colour, give or take grain and tint.
            const TAlphaColor c = UnpremultiplyPixel(out[size_t(15 * 40 + 10)]);
            EXPECT_NEAR(ColorR(c), 240, 30);
            EXPECT_NEAR(ColorG(c), 200, 30);
            EXPECT_NEAR(ColorB(c), 160, 30);
        }
    }
    for (uint32_t p : Paint(SolidImage(20, 20, 0u), 90, 20, 100, 100, 100, 1))
        ASSERT_EQ(p, 0u);
}

TEST(RegionGrowing, OneTranslucentPixelClearsToTransparent)
{
    // Alpha 254 at one pixel: the canvas starts transparent, and the pixels
    // below alpha 128 (none here) would stay so; every solid pixel is painted.
    std::vector<uint32_t> px = AllPixels(Scene(30, 30));
    px[0] = PremultiplyColor(0xFE808080u);
    const std::vector<uint32_t> out = Paint(ImageFromPixels(30, 30, px), 90, 20, 60, 20, 55, 4);
    EXPECT_EQ(out[0] >> 24, 254u);
    ExpectValidPremultiplied(out);
}

TEST(RegionGrowing, EdgeValuesSaturateInsteadOfWrapping)
{
    // Hard black and white stripes: edge values far above 255 before the cap.
    std::vector<uint32_t> px(size_t(48 * 48));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            px[size_t(y * 48 + x)] = ((x / 6) % 2) ? 0xFFF0F0F0u : 0xFF000000u;
    const ISkImage source = ImageFromPixels(48, 48, px);
    const std::vector<uint32_t> capped = Paint(source, 90, 20, 50, 197, 50, 5);
    EXPECT_EQ(Paint(source, 90, 20, 50, 5000, 50, 5), capped);
    EXPECT_EQ(Paint(source, 90, 20, 50, INT_MAX, 50, 5), capped);
    EXPECT_NE(Paint(source, 90, 20, 50, 0, 50, 5), capped);
}

TEST(RegionGrowing, EraseOffKeepsThePreviousResultWhereNothingIsPainted)
{
    // Near-white source: no seed is ever found and nothing is painted, so the
    // previous result passes through even the strongest finishing settings.
    FakeHost host;
    host.FEraseBdChecked = false;
    std::vector<uint32_t> previous(size_t(32 * 24));
    for (size_t i = 0; i < previous.size(); ++i)
        previous[i] = MakeColor(255, uint8_t(i % 200), uint8_t(40 + i % 150), uint8_t(90));
    host.FSkImage = ImageFromPixels(32, 24, previous);
    EXPECT_EQ(Paint(SolidImage(32, 24, 0xFFFCFBFAu), 90, 20, 100, 100, 100, 2), previous);
    test::DrainEvents();
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);

    // A real source: every pixel is either painted or the previous result.
    const std::vector<uint32_t> out = Paint(Scene(32, 24), 90, 20, 50, 0, 50, 2);
    int kept = 0;
    for (size_t i = 0; i < out.size(); ++i)
        kept += out[i] == previous[i];
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, int(out.size()));
}

TEST(RegionGrowing, PreviewStartsErasedAndEndsWith101)
{
    FakeHost host;
    host.FEraseBdChecked = false; // previews ignore the switch
    host.FSkImage = SolidImage(60, 40, 0xFF000000u);
    PreviewScope scope(true, host.FPreviewGeneration.load());
    const std::vector<uint32_t> out = Paint(Scene(60, 40), 90, 20, 60, 20, 55, 6, true);
    test::DrainEvents();
    ASSERT_FALSE(host.previewPercents.empty());
    EXPECT_EQ(host.previewPercents.back(), 101);
    EXPECT_TRUE(host.progress.empty());
    for (uint32_t p : out)
        ASSERT_EQ(p >> 24, 255u);
}

TEST(RegionGrowing, CancelledRunLeavesTheDestinationAlone)
{
    FakeHost host;
    host.Cancel = true;
    const ISkSurface dest = SkSurface::MakeRaster(30, 20);
    EXPECT_THROW(RegionGrowing(Scene(30, 20), dest, 90, 20, 60, 20, 55, false), EAbort);
    for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
}

} // namespace
} // namespace pv
