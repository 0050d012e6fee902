#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/colour/AutoEnhanceImage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pv {
namespace {

TEST(AutoEnhance, FullRangeToneCurve)
{
    const std::array<uint8_t, 256> curve = AutoEnhanceToneCurve(0, 255);
    const int points[][2] = {{0, 0}, {64, 60}, {96, 89}, {128, 128}, {160, 176}, {192, 208}, {224, 230}, {255, 255}};
    for (const auto& p : points)
        EXPECT_EQ(curve[size_t(p[0])], p[1]) << p[0];
}

TEST(AutoEnhance, BlackAndWhitePoints)
{
    struct Case {
        int64_t pixels;
        std::vector<std::pair<int, int64_t>> counts; // level, pixels
        int black, white;
    };
    const Case cases[] = {
        {1, {{77, 1}}, 0, 255},                                   // one pixel: the points meet
        {250, {{10, 1}, {20, 1}, {100, 246}, {200, 2}}, 10, 200},  // clip count 1 (0.5 rounds to 0)
        {750, {{10, 1}, {20, 1}, {100, 744}, {200, 2}, {230, 2}}, 20, 230}, // clip count 2 (1.5 rounds to 2)
        {100, {{128, 100}}, 0, 255},                              // one flat colour
    };
    for (const Case& c : cases) {
        TLuminanceHistogram h{};
        for (const auto& [level, n] : c.counts)
            h[size_t(level)] = n;
        int black = -1, white = -1;
        AutoEnhanceLevels(h, c.pixels, black, white);
        EXPECT_EQ(black, c.black) << c.pixels;
        EXPECT_EQ(white, c.white) << c.pixels;
    }
}

TEST(AutoEnhance, BrightPicturesKeepTheirMean)
{
    TLuminanceHistogram h{};
    h[150] = 50;
    h[220] = 50; // mean 185
    const std::array<uint8_t, 256> curve = AutoEnhanceCurve(h, 100, 0, 255);
    EXPECT_NEAR((curve[150] + curve[220]) / 2.0, 185.0, 1.0);
    TLuminanceHistogram dark{};
    dark[60] = 50;
    dark[160] = 50; // mean 110: no correction
    EXPECT_EQ(AutoEnhanceCurve(dark, 100, 0, 255), AutoEnhanceToneCurve(0, 255));
}

TEST(AutoEnhance, LowContrastPictureGetsAWiderHistogram)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const uint8_t v = uint8_t(100 + 50 * x / 59);
            px.push_back(MakeColor(255, v, uint8_t(v + 5), uint8_t(v - 10)));
        }
    const ISkImage flat = test::ImageFromPixels(60, 40, px);
    const ISkImage out = AutoEnhanceImage(flat);
    ASSERT_NE(out, flat);
    auto range = [](const std::vector<uint32_t>& p) {
        int lo = 255, hi = 0;
        for (uint32_t v : p) {
            const int g = ColorG(v);
            lo = std::min(lo, g), hi = std::max(hi, g);
        }
        return std::pair(lo, hi);
    };
    const auto [lo0, hi0] = range(px);
    const auto [lo1, hi1] = range(test::AllPixels(out));
    EXPECT_LT(lo1, lo0 - 40);
    EXPECT_GT(hi1, hi0 + 40);
}

TEST(AutoEnhance, AlphaBlackAndEmptyPictures)
{
    std::vector<uint32_t> px(30 * 20, 0xFF000000u);
    for (int i = 0; i < 200; ++i)
        px[size_t(i)] = 0;
    for (int i = 200; i < 400; ++i)
        px[size_t(i)] = 0x80406020u;
    const ISkImage picture = test::ImageFromPixels(30, 20, px);
    const std::vector<uint32_t> out = test::AllPixels(AutoEnhanceImage(picture));
    for (size_t i = 0; i < px.size(); ++i) {
        ASSERT_EQ(ColorA(out[i]), ColorA(px[i]));
        ASSERT_LE(std::max({ColorR(out[i]), ColorG(out[i]), ColorB(out[i])}), ColorA(out[i]));
    }
    EXPECT_EQ(out[0], 0u);
    EXPECT_EQ(out[500], 0xFF000000u);

    const ISkImage one = test::SolidImage(1, 1, 0xFF336699u);
    const ISkImage enhanced = AutoEnhanceImage(one);
    ASSERT_TRUE(enhanced);
    EXPECT_NE(enhanced, one);
    EXPECT_EQ(enhanced->width(), 1);
}

TEST(AutoEnhance, BlueSkyLosesItsNoise)
{
    // Noisy sky above a noisy brown field: only the sky is smoothed.
    std::vector<uint32_t> px;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int n = ((x * 7 + y * 13) % 5 - 2) * 4;
            px.push_back(y < 20 ? MakeColor(255, uint8_t(70 + n), uint8_t(120 + n), uint8_t(210 + n))
                                : MakeColor(255, uint8_t(140 + n), uint8_t(100 + n), uint8_t(60 + n)));
        }
    const ISkImage picture = test::ImageFromPixels(40, 40, px);
    const std::vector<uint32_t> out = test::AllPixels(AutoEnhanceImage(picture));
    auto roughness = [&](int y0, int shift) {
        int sum = 0;
        for (int y = y0 + 5; y < y0 + 15; ++y)
            for (int x = 5; x < 35; ++x)
                sum += std::abs(int((out[size_t(y * 40 + x)] >> shift) & 0xFF) - int((out[size_t(y * 40 + x + 1)] >> shift) & 0xFF));
        return sum;
    };
    EXPECT_LT(roughness(0, 0), roughness(20, 0) / 3); // blue channel: sky against field
}

} // namespace
} // namespace pv
