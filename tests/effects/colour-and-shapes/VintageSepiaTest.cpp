#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/colour/FilmLook.h"
#include "effects/colour-and-shapes/VintageSepia.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pv {
namespace {

TEST(VintageSepia, DerivedValues)
{
    const TVintageSepiaParams d = ComputeVintageSepiaParams(0, 70, 50, 50, 25);
    EXPECT_EQ(d.Kc, 0);
    EXPECT_EQ(d.Ks, 179);
    EXPECT_EQ(d.grainAmp, 15); // 15.3
    EXPECT_FLOAT_EQ(d.blurSigma, 0.9375f);
    EXPECT_FLOAT_EQ(d.vignette, 0.5f);
    const TVintageSepiaParams c = ComputeVintageSepiaParams(500, -3, 100, 100, 0);
    EXPECT_EQ(c.Kc, 256);
    EXPECT_EQ(c.Ks, 0);
    EXPECT_EQ(c.grainAmp, 31); // 30.6
    EXPECT_EQ(c.blurSigma, 0.0f);
}

TEST(VintageSepia, ToneRule)
{
    const TSepiaRGB white = SepiaTone(255, 255, 255, 0, 256);
    EXPECT_EQ(white.r, 255);
    EXPECT_EQ(white.g, 255);
    EXPECT_EQ(white.b, 198);
    const TSepiaRGB kept = SepiaTone(200, 40, 90, 256, 0);
    EXPECT_EQ(kept.r, 200);
    EXPECT_EQ(kept.g, 40);
    EXPECT_EQ(kept.b, 90);
}

TEST(VintageSepia, GrainHashAndVignette)
{
    EXPECT_EQ(GrainNoise(0, 0), -256);
    for (int i = 0; i < 200; ++i) {
        const int n = GrainNoise(i * 37, i * 11);
        ASSERT_GE(n, -256);
        ASSERT_LE(n, 255);
    }
    const TVignette full = TVignette::Make(200, 100, 1.0f);
    EXPECT_EQ(full.Factor(0), 1.0f);
    EXPECT_NEAR(full.Factor(100 * 100 + 50 * 50), 0.15f, 1e-5); // the corner
    EXPECT_EQ(TVignette::Make(200, 100, 0.0f).Factor(100 * 100 + 50 * 50), 1.0f);
}

TEST(VintageSepia, NeutralSettingsKeepThePicture)
{
    const ISkImage chart = test::ColourChart();
    EXPECT_EQ(test::SurfacePixels(test::RunColourEffect(402, chart, 100, 0, 0, 0, 0)), test::AllPixels(chart));
}

TEST(VintageSepia, PureSepiaIsWarmAndNearlyMonochrome)
{
    // Warm, and one tone ramp: sorted by green, red and blue never go down.
    const ISkImage picture = test::GradientPicture(40, 30);
    std::vector<uint32_t> out = test::SurfacePixels(test::RunColourEffect(402, picture, 0, 100, 0, 0, 0));
    std::sort(out.begin(), out.end(), [](uint32_t a, uint32_t b) { return ColorG(a) < ColorG(b); });
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_GE(ColorR(out[i]), ColorG(out[i]));
        ASSERT_GT(ColorG(out[i]), ColorB(out[i]));
        if (i > 0) {
            ASSERT_GE(ColorR(out[i]), ColorR(out[i - 1]));
            ASSERT_GE(ColorB(out[i]), ColorB(out[i - 1]));
        }
    }
}

TEST(VintageSepia, GrainIsColourlessAndRepeatsAndCornersDarken)
{
    // Grey picture, no toning: only the grain and the vignette act.
    const ISkImage grey = test::SolidImage(64, 48, 0xFF808080u);
    const std::vector<uint32_t> a = test::SurfacePixels(test::RunColourEffect(402, grey, 0, 0, 0, 60, 0));
    EXPECT_EQ(a, test::SurfacePixels(test::RunColourEffect(402, grey, 0, 0, 0, 60, 0)));
    int varied = 0;
    for (uint32_t p : a) {
        ASSERT_EQ(ColorR(p), ColorG(p));
        ASSERT_EQ(ColorG(p), ColorB(p));
        varied += p != 0xFF808080u;
    }
    EXPECT_GT(varied, int(a.size()) / 2);
    const ISkSurface vignetted = test::RunColourEffect(402, grey, 0, 0, 100, 0, 0);
    EXPECT_EQ(test::PixelAt(vignetted, 32, 24), 0xFF808080u);
    EXPECT_LE(ColorR(test::PixelAt(vignetted, 0, 0)), 128 * 0.2);
}

TEST(VintageSepia, NearlyTransparentPixelsAreLeftAlone)
{
    const ISkImage faint = test::SolidImage(8, 8, 0x04030201u);
    EXPECT_EQ(test::PixelAt(test::RunColourEffect(402, faint, 0, 100, 100, 100, 0), 3, 3), 0x04030201u);
    const uint32_t half = test::PixelAt(test::RunColourEffect(402, test::SolidImage(4, 4, 0x80808080u), 0, 100, 0, 0, 0), 1, 1);
    EXPECT_EQ(ColorA(half), 0x80u);
    EXPECT_LE(ColorR(half), 0x80u);
}

} // namespace
} // namespace pv
