#include "FakeHost.h"

#include "effects/drawing/Crosshatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace pv {
namespace {

using test::AllPixels;
using test::AllValidPremultiplied;
using test::DrawingFixture;
using test::RunEffect;
using test::SolidImage;

std::vector<uint32_t> Hatch(const ISkImage& source, int P1 = 75, int P2 = 50, int P3 = 35, int P4 = 25, int P5 = 20,
                            bool preview = false)
{
    return test::EffectPixels(103, source, P1, P2, P3, P4, P5, preview);
}

TEST(Crosshatch, DerivedValues)
{
    struct Case {
        int P1, P3, P4, P5;
        float spacing, contrast, length, width;
        int radius;
    };
    for (const Case& c : {Case{75, 35, 25, 20, 9.0f, -0.3f, 39.75f, 0.94f, 9}, Case{100, 50, 0, 0, 2.0f, 0, 3, 0.3f, 2},
                          Case{0, 100, 100, 100, 30.0f, 1.0f, 150.0f, 3.5f, 24},
                          // scripts: spacing held at 1.6, width at 32
                          Case{1000, 50, 50, 100000, 1.6f, 0, 76.5f, 32.0f, 2}}) {
        const CrosshatchValues v = CrosshatchValuesFor(c.P1, c.P3, c.P4, c.P5);
        EXPECT_FLOAT_EQ(v.Spacing, c.spacing) << c.P1;
        EXPECT_FLOAT_EQ(v.ToneContrast, c.contrast) << c.P3;
        EXPECT_FLOAT_EQ(v.StrokeLength, c.length) << c.P4;
        EXPECT_FLOAT_EQ(v.StrokeWidth, c.width) << c.P5;
        EXPECT_EQ(v.SmoothingRadius, c.radius) << c.P1;
    }
    EXPECT_EQ(CrosshatchValuesFor(INT_MIN, 0, 0, 0).SmoothingRadius, 24);
}

TEST(Crosshatch, ToneAndGenerator)
{
    EXPECT_FLOAT_EQ(CrosshatchTone(0xFFFFFFFFu, -0.3f), 1.0f);
    EXPECT_FLOAT_EQ(CrosshatchTone(0xFF000000u, -0.3f), 0.0f);
    // Mid grey stays mid grey: u = 0.5 is a fixed point of both curves.
    EXPECT_NEAR(CrosshatchTone(0xFF808080u, 0.0f), 0.5f + (128.0f / 255.0f - 0.5f) * 1.2f, 1e-3f);
    CrosshatchRandom rng;
    const uint32_t state = 0x9E3779B1u * 1664525u + 1013904223u;
    EXPECT_FLOAT_EQ(rng.next(), float(state >> 8) / 16777216.0f);
}

TEST(Crosshatch, BoxBlurRenormalisesAtTheBorders)
{
    // One row 0 0 9 0 0, radius 1: means over 2, 3, 3, 3, 2 samples.
    std::vector<float> row{0, 0, 9, 0, 0};
    BoxBlurField(row.data(), 5, 1, 1);
    EXPECT_EQ(row, (std::vector<float>{0, 3, 3, 3, 0}));
    // A column: the same along the other direction.
    std::vector<float> column{9, 0, 0};
    BoxBlurField(column.data(), 1, 3, 1);
    EXPECT_FLOAT_EQ(column[0], 4.5f);
    EXPECT_FLOAT_EQ(column[1], 3.0f);
    EXPECT_FLOAT_EQ(column[2], 0.0f);
    std::vector<float> kept{1, 2, 3};
    BoxBlurField(kept.data(), 3, 1, 0);
    EXPECT_EQ(kept, (std::vector<float>{1, 2, 3}));
}

TEST(Crosshatch, WhitePaperBlackHatching)
{
    for (const uint32_t p : Hatch(SolidImage(40, 30, 0xFFFFFFFFu)))
        ASSERT_EQ(p, 0xFFFFFFFFu) << "white gets no strokes";
    int dark = 0;
    for (const uint32_t p : Hatch(SolidImage(40, 30, 0xFF000000u), 75, 0)) {
        ASSERT_TRUE(ColorR(p) == ColorG(p) && ColorG(p) == ColorB(p));
        dark += ColorR(p) < 100;
    }
    EXPECT_GT(dark, 600) << "black collects all six layers";
}

TEST(Crosshatch, SameStrokesEveryRunOnAnyNumberOfWorkers)
{
    const ISkImage source = DrawingFixture(150, 100);
    const auto [one, eight] = test::OnOneAndEightWorkers([&] { return Hatch(source); });
    EXPECT_EQ(one, eight);
    EXPECT_EQ(Hatch(source), one);
    EXPECT_NE(Hatch(source, 75, 0), one) << "contours add lines";
}

TEST(Crosshatch, AlphaBecomesTransparentOrOpaque)
{
    const std::vector<uint32_t> px{0x00000000u, 0x09090909u, 0x0A0A0A0Au, 0x80404040u};
    std::vector<uint32_t> rows;
    for (int y = 0; y < 4; ++y)
        rows.insert(rows.end(), px.begin(), px.end());
    const std::vector<uint32_t> out = Hatch(test::ImageFromPixels(4, 4, rows));
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(out[size_t(y * 4 + 0)], 0u);
        EXPECT_EQ(out[size_t(y * 4 + 1)], 0u) << "alpha 9";
        EXPECT_EQ(out[size_t(y * 4 + 2)] >> 24, 255u);
        EXPECT_EQ(out[size_t(y * 4 + 3)] >> 24, 255u);
    }
    for (const uint32_t p : Hatch(SolidImage(20, 20, 0u)))
        ASSERT_EQ(p, 0u);
}

TEST(Crosshatch, TinyPictures)
{
    // One pixel wide or high: nothing is drawn, the picture stays as it was.
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 1000}, std::pair{1000, 1}})
        for (const uint32_t p : Hatch(SolidImage(w, h, 0xFF000000u)))
            ASSERT_EQ(p, 0xFF000000u);
    EXPECT_TRUE(AllValidPremultiplied(Hatch(SolidImage(2, 2, 0xFF000000u))));
}

TEST(Crosshatch, ErasingOffMultipliesOntoTheResultAndKeepsItsColours)
{
    test::FakeHost host;
    host.FEraseBdChecked = false;
    host.FSkImage = SolidImage(60, 40, 0xFFFF0000u);
    const std::vector<uint32_t> out = Hatch(DrawingFixture(60, 40), 75, 0);
    int red = 0;
    for (const uint32_t p : out)
        red += ColorR(p) > 2 * ColorG(p) + 20;
    EXPECT_GT(red, 1000);
    host.FEraseBdChecked = true;
    for (const uint32_t p : Hatch(DrawingFixture(60, 40), 75, 0))
        ASSERT_TRUE(ColorR(p) == ColorG(p) && ColorG(p) == ColorB(p)) << "grey on a cleared canvas";
}

TEST(Crosshatch, EveryLayerIsShownAndOnlyTheEndSays101)
{
    test::FakeHost host;
    const std::vector<uint32_t> out = Hatch(DrawingFixture(60, 40), 75, 0);
    test::DrainEvents();
    for (const int pct : {40, 50, 60, 70, 80, 90})
        EXPECT_EQ(std::count(host.progress.begin(), host.progress.end(), pct), 1) << pct;
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
    EXPECT_EQ(std::count(host.progress.begin(), host.progress.end(), 101), 1);
    ASSERT_TRUE(host.FSkImage) << "the last layer's picture";
    EXPECT_EQ(host.FSkImage->width(), 60);
}

TEST(Crosshatch, ScriptSizedParametersFinish)
{
    const ISkImage source = DrawingFixture(40, 30);
    for (const int v : {INT_MIN, -1000, 100000, INT_MAX})
        EXPECT_TRUE(AllValidPremultiplied(Hatch(source, v, v, v, v, v))) << v;
}

} // namespace
} // namespace pv
