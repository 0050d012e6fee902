#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/RetroFilm.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(RetroFilm, DerivedValues)
{
    const TRetroFilmParams d = ComputeRetroFilmParams(30, 35, 60, 20, 25);
    EXPECT_FLOAT_EQ(d.saturation, 0.95f);
    EXPECT_FLOAT_EQ(d.warmth, -0.005f);
    EXPECT_FLOAT_EQ(d.contrast, 1.28f);
    EXPECT_EQ(d.grainAmp, 8);
    EXPECT_FLOAT_EQ(ComputeRetroFilmParams(25, 40, 25, 0, 0).contrast, 1.0f);
    EXPECT_NEAR(ComputeRetroFilmParams(33, 40, 25, 0, 0).saturation, 0.995f, 1e-6);
    EXPECT_EQ(ComputeRetroFilmParams(-9, 40, 25, 0, 0).saturation, 0.5f);
}

TEST(RetroFilm, WarmMatrix)
{
    const TRetroFilmParams p = ComputeRetroFilmParams(30, 40, 60, 0, 0); // warmth 0
    const TRGBf m = RetroFilmMatrix(p, {0.5f, 0.5f, 0.5f});
    EXPECT_NEAR(m.r, 0.605f, 1e-6);
    EXPECT_NEAR(m.g, 0.525f, 1e-6);
    EXPECT_NEAR(m.b, 0.46f, 1e-6);
    // More warmth: more red, less blue.
    const TRGBf warm = RetroFilmMatrix(ComputeRetroFilmParams(30, 100, 60, 0, 0), {0.5f, 0.5f, 0.5f});
    EXPECT_GT(warm.r, m.r);
    EXPECT_LT(warm.b, m.b);
}

TEST(RetroFilm, WithoutGrainAndVignetteTheGradeIgnoresPosition)
{
    const ISkImage flat = test::SolidImage(16, 12, 0xFF6080A0u);
    const std::vector<uint32_t> out = test::SurfacePixels(test::RunColourEffect(403, flat, 30, 35, 60, 0, 0));
    int R, G, B;
    RetroFilmGrade(ComputeRetroFilmParams(30, 35, 60, 0, 0), {0x60 / 255.0f, 0x80 / 255.0f, 0xA0 / 255.0f}, R, G, B);
    for (uint32_t p : out)
        ASSERT_EQ(p, MakeColor(255, uint8_t(R), uint8_t(G), uint8_t(B)));
}

TEST(RetroFilm, GrainNeverTintsAndRepeats)
{
    const ISkImage flat = test::SolidImage(32, 24, 0xFF6080A0u);
    const std::vector<uint32_t> plain = test::SurfacePixels(test::RunColourEffect(403, flat, 30, 35, 60, 0, 0));
    const std::vector<uint32_t> grain = test::SurfacePixels(test::RunColourEffect(403, flat, 30, 35, 60, 100, 0));
    EXPECT_EQ(grain, test::SurfacePixels(test::RunColourEffect(403, flat, 30, 35, 60, 100, 0)));
    int varied = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        const int d = ColorR(grain[i]) - ColorR(plain[i]);
        ASSERT_EQ(ColorG(grain[i]) - ColorG(plain[i]), d);
        ASSERT_EQ(ColorB(grain[i]) - ColorB(plain[i]), d);
        varied += d != 0;
    }
    EXPECT_GT(varied, int(plain.size()) / 2);
}

TEST(RetroFilm, DefaultsGiveAWarmFadedPictureWithDarkCorners)
{
    const ISkImage picture = test::SolidImage(60, 40, 0xFF909090u);
    const ISkSurface out = test::RunColourEffect(403, picture, 30, 35, 60, 20, 25);
    const uint32_t centre = test::PixelAt(out, 30, 20);
    EXPECT_GT(ColorR(centre), ColorB(centre));
    EXPECT_LT(test::MeanLuma({test::PixelAt(out, 0, 0)}), test::MeanLuma({centre}) * 0.9);
}

} // namespace
} // namespace pv
