#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/Cartoon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;
using test::RunColourEffect;
using test::SolidImage;
using test::SurfacePixels;

std::vector<uint32_t> Cartoon(const ISkImage& source, int P1 = 30, int P2 = 55, int P3 = 85, int P4 = 40, int P5 = 20,
                              bool preview = false)
{
    return SurfacePixels(RunColourEffect(501, source, P1, P2, P3, P4, P5, preview));
}

// A dark square on white, with a transparent right-hand strip.
ISkImage SquareOnWhite(int w = 24, int h = 20)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool square = x >= 6 && x < 14 && y >= 6 && y < 14;
            px.push_back(x >= w - 3 ? 0u : (square ? 0xFF203040u : 0xFFFFFFFFu));
        }
    return ImageFromPixels(w, h, px);
}

TEST(Cartoon, DerivedValues)
{
    const CartoonValues d = CartoonValuesFor(600, 400, 30, 55, 85, 40, 20, false);
    EXPECT_FLOAT_EQ(d.PreBlurSigma, 1.34f);
    EXPECT_EQ(d.SmoothRadius, 8);
    EXPECT_EQ(d.SmoothPasses, 5); // 1.5 rounds to 2
    EXPECT_FLOAT_EQ(d.RangeSigma, 64.0f);
    EXPECT_FLOAT_EQ(d.SatBoost, 1.56f);
    EXPECT_FLOAT_EQ(d.LumiBoost, 1.136f);
    EXPECT_EQ(d.Contours.Strength, 55);
    EXPECT_EQ(d.Contours.WindowRadius, 6);
    EXPECT_EQ(d.Contours.ShortestChain, 4);
    EXPECT_EQ(d.Lines.Term, 11);
    EXPECT_EQ(d.Lines.Percent, 85);
    EXPECT_FALSE(d.Lines.ShiftTowardDark);
    const CartoonValues preview = CartoonValuesFor(600, 400, 30, 55, 85, 40, 20, true);
    EXPECT_EQ(preview.SmoothRadius, 6);
    EXPECT_EQ(preview.SmoothPasses, 2);
    struct Thickness {
        int P5, base, greatest;
    };
    for (const Thickness t : {Thickness{10, 0, 1}, Thickness{20, 1, 2}, Thickness{30, 2, 3}, Thickness{50, 2, 3},
                              Thickness{100, 5, 7}, Thickness{-100, -1, 0},
                              Thickness{INT_MAX, kMaxContourThickness, kMaxContourThickness}}) {
        const CartoonValues v = CartoonValuesFor(600, 400, 30, 55, 85, 40, t.P5, false);
        EXPECT_EQ(v.Lines.BaseThickness, t.base) << t.P5;
        EXPECT_EQ(v.Lines.GreatestThickness, t.greatest) << t.P5;
    }
}

TEST(Cartoon, ScriptValuesAreHeldToWhatCanRun)
{
    // A blur sigma of 0 or less means no blur; radius and passes are capped.
    EXPECT_FLOAT_EQ(CartoonValuesFor(50, 50, -100, 0, 0, 0, 0, false).PreBlurSigma, 0.0f);
    const CartoonValues huge = CartoonValuesFor(50, 50, INT_MAX, 0, 0, 0, 0, false);
    EXPECT_EQ(huge.SmoothRadius, kMaxCartoonRadius);
    EXPECT_EQ(huge.SmoothPasses, kMaxCartoonPasses);
    EXPECT_GE(CartoonValuesFor(50, 50, -1000, 0, 0, 0, 0, false).RangeSigma, kMinCartoonRangeSigma);
    const ISkImage source = test::GradientPicture(24, 18);
    for (const int v : {INT_MIN, -100, 1000, INT_MAX})
        EXPECT_TRUE(test::AllValidPremultiplied(Cartoon(source, v, v, v, v, v))) << v;
}

TEST(Cartoon, BoostPixel)
{
    EXPECT_EQ(CartoonBoostPixel(0x00000000u, 1.56f, 1.136f), 0u);
    EXPECT_EQ(CartoonBoostPixel(0xFF808080u, 1.56f, 1.0f), 0xFF808080u) << "grey keeps its saturation";
    // (100, 50, 0): mean 50 -> (128, 50, 0) at 1.56 (127.99...), then times 1.1 -> (141, 55, 0).
    EXPECT_EQ(CartoonBoostPixel(0xFF643200u, 1.56f, 1.1f), 0xFF8D3700u);
    const uint32_t translucent = CartoonBoostPixel(0x80643200u, 1.56f, 1.136f);
    EXPECT_EQ(translucent >> 24, 0x80u);
    EXPECT_TRUE(test::AllValidPremultiplied({translucent}));
}

TEST(Cartoon, LineDrawingOnlyWithoutColour)
{
    const std::vector<uint32_t> out = Cartoon(SquareOnWhite(), 30, 55, 85, 0, 20);
    int lines = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint32_t p = out[size_t(y * 24 + x)];
            if (x >= 21) {
                ASSERT_EQ(p, 0u) << "transparent stays transparent";
                continue;
            }
            ASSERT_EQ(p >> 24, 255u);
            ASSERT_TRUE(ColorR(p) == ColorG(p) && ColorG(p) == ColorB(p));
            lines += ColorR(p) < 200;
        }
    EXPECT_EQ(out[size_t(2 * 24 + 2)], 0xFFFFFFFFu) << "white away from the lines";
    EXPECT_EQ(out[size_t(10 * 24 + 10)], 0xFFFFFFFFu) << "no line inside the flat square";
    EXPECT_GT(lines, 20) << "lines around the square";
    // Edge darkness 0 gives intensity 0: no lines at all.
    for (const uint32_t p : Cartoon(SquareOnWhite(), 30, 55, 0, 0, 20))
        ASSERT_TRUE(p == 0xFFFFFFFFu || p == 0u);
}

TEST(Cartoon, ColoursAreSmoothedBoostedAndLined)
{
    const std::vector<uint32_t> out = Cartoon(SquareOnWhite());
    EXPECT_EQ(out[size_t(2 * 24 + 2)], 0xFFFFFFFFu);
    const uint32_t inside = out[size_t(10 * 24 + 10)];
    EXPECT_GT(test::Chroma(inside), test::Chroma(0xFF203040u)) << "saturation boost";
    EXPECT_TRUE(test::AllValidPremultiplied(out)) << "the smoothing spreads into the transparent strip";
    // The pictures of a preview and of a full render at these sizes only
    // differ by the smoothing limits.
    EXPECT_EQ(Cartoon(SquareOnWhite(), 0, 55, 85, 40, 20, true).size(), out.size());
}

TEST(Cartoon, OverAnEarlierResultOnlyCloserColoursAndLinesReplaceIt)
{
    test::FakeHost host;
    host.FEraseBdChecked = false;
    const ISkImage source = SquareOnWhite();
    // The earlier result: the source itself in the left half (nothing can be
    // closer), black in the right half (the cartoon is closer).
    std::vector<uint32_t> earlier = AllPixels(source);
    for (int y = 0; y < 20; ++y)
        for (int x = 12; x < 24; ++x)
            earlier[size_t(y * 24 + x)] = 0xFF000000u;
    host.FSkImage = ImageFromPixels(24, 20, earlier);
    const std::vector<uint32_t> lineOnly = Cartoon(source, 30, 55, 85, 0, 20);
    const std::vector<uint32_t> out = Cartoon(source);
    host.FEraseBdChecked = true;
    const std::vector<uint32_t> lines = Cartoon(source, 30, 55, 85, 0, 20);
    const std::vector<uint32_t> cleared = Cartoon(source);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            const size_t i = size_t(y * 24 + x);
            const bool line = lines[i] != 0xFFFFFFFFu && lines[i] != 0u;
            if (x >= 21) {
                EXPECT_EQ(out[i], earlier[i]) << "transparent source: the earlier result stays";
            } else if (x < 12 && !line) {
                EXPECT_EQ(out[i], earlier[i]) << x << "," << y;
            }
            if (!line && x < 21) {
                EXPECT_EQ(lineOnly[i], earlier[i]) << "without colour only lines change it";
            }
        }
    EXPECT_EQ(out[size_t(2 * 24 + 18)], cleared[size_t(2 * 24 + 18)]) << "black replaced by the closer cartoon";
    EXPECT_NE(out[size_t(2 * 24 + 18)], 0xFF000000u);
}

TEST(Cartoon, FullRenderShowsTheSmoothedPictureAndEndsWith100)
{
    test::FakeHost host;
    host.FCurrentEffectNumber = 501; // a registered full render
    const std::vector<uint32_t> out = Cartoon(SquareOnWhite());
    test::DrainEvents();
    ASSERT_TRUE(host.FSkImage) << "the smoothed picture is shown while the lines are found";
    EXPECT_EQ(host.FSkImage->width(), 24);
    EXPECT_NE(AllPixels(host.FSkImage), out) << "before the boost and the lines";
    EXPECT_EQ(std::count(host.progress.begin(), host.progress.end(), 101), 0) << "Cartoon ends with 100";
    host.FSkImage = nullptr;
    host.FCurrentEffectNumber = -1;
    Cartoon(SquareOnWhite());
    EXPECT_FALSE(host.FSkImage) << "nothing is shown without a registered run";
}

TEST(Cartoon, TinyPicturesAndThreads)
{
    for (const uint32_t p : Cartoon(SolidImage(1, 1, 0xFF336699u)))
        ASSERT_EQ(p, 0xFF336699u) << "narrower than 2 pixels: left as it was";
    for (const uint32_t p : Cartoon(SolidImage(1, 1000, 0xFF336699u)))
        ASSERT_EQ(p, 0xFF336699u);
    const std::vector<uint32_t> two = Cartoon(SolidImage(2, 2, 0xFF336699u));
    for (const uint32_t p : two)
        EXPECT_EQ(p, two[0]) << "smoothed and boosted, no lines";
    EXPECT_NE(two[0], 0xFF336699u);
    const ISkImage source = test::GradientPicture(60, 40);
    const auto [one, eight] = test::OnOneAndEightWorkers([&] { return Cartoon(source); });
    EXPECT_EQ(one, eight);
}

} // namespace
} // namespace pv
