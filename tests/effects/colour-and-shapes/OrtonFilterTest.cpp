#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/OrtonFilter.h"

#include <gtest/gtest.h>

#include <climits>

namespace pv {
namespace {

TEST(OrtonFilter, DerivedValues)
{
    const TOrtonParams d = ComputeOrtonParams(40, 25, 50, 50, 40);
    EXPECT_EQ(d.sigma, 40.0f);
    EXPECT_EQ(d.shift, -20);
    EXPECT_FLOAT_EQ(d.shiftFactor, 0.8f);
    EXPECT_EQ(ComputeOrtonParams(0, 0, 0, 0, 0).shift, -100);
    EXPECT_EQ(ComputeOrtonParams(0, 0, 0, 0, 100).shift, 100);
}

TEST(OrtonFilter, PixelRule)
{
    const uint32_t sharp = 0xFF406080u;
    auto pixel = [&](int P2, int P3, int P4, int P5, uint32_t a = 0xFF406080u, uint32_t g = 0xFF808080u) {
        return OrtonPixel(a, g, ComputeOrtonParams(0, P2, P3, P4, P5));
    };
    EXPECT_EQ(pixel(0, 0, 0, 50), sharp); // no shift, no strength
    // Full strength: the screen of the two, 255 - (255 - a)(255 - g) div 255.
    EXPECT_EQ(pixel(0, 100, 0, 50), MakeColor(255, 255 - 191 * 127 / 255, 255 - 159 * 127 / 255, 255 - 127 * 127 / 255));
    EXPECT_EQ(pixel(0, 100, 0, 0), 0xFF000000u); // both blackened
    EXPECT_EQ(pixel(0, 0, 0, 100), 0xFFA4C4E4u); // the sharp picture lightened by 100
    // Lightening leaves the glow alone: the screen uses g = 128.
    EXPECT_EQ(pixel(0, 100, 0, 100, 0xFF000000u), MakeColor(255, 255 - 155 * 127 / 255, 255 - 155 * 127 / 255,
                                                               255 - 155 * 127 / 255));
    EXPECT_EQ(pixel(200, 100, 0, 50, 0xFF000000u, 0xFF404040u), 0xFF808080u); // exposure doubles the glow
    // Vibrance 100 doubles each channel's distance from the grey k.
    const int k = (77 * 0x40 + 150 * 0x60 + 29 * 0x80) >> 8;
    EXPECT_EQ(ColorR(pixel(0, 0, 100, 50)), k + (0x40 - k) * 2);
    EXPECT_EQ(ColorB(pixel(0, 0, 100, 50)), k + (0x80 - k) * 2);
    // Script values beyond any slider saturate like the largest meaningful ones, without overflow.
    EXPECT_EQ(pixel(INT_MAX, INT_MAX, INT_MAX, INT_MAX), pixel(60000, 30000, 30000, 300));
    EXPECT_EQ(pixel(INT_MIN, INT_MIN, INT_MIN, INT_MIN), pixel(-400, -30000, -30000, -200));
    // A translucent pixel stays a valid premultiplied one.
    const uint32_t t = OrtonPixel(0x40303030u, 0x40404040u, ComputeOrtonParams(0, 100, 100, 100, 100));
    EXPECT_LE(ColorR(t), 0x40);
}

TEST(OrtonFilter, GlowsBrighterAndKeepsTransparentPixels)
{
    std::vector<uint32_t> px = test::AllPixels(test::GradientPicture(32, 24));
    px[0] = 0x05020202u; // nearly transparent: copied
    px[1] = 0;
    const ISkImage picture = test::ImageFromPixels(32, 24, px);
    const std::vector<uint32_t> out = test::SurfacePixels(test::RunColourEffect(400, picture, 6, 25, 50, 50, 50));
    EXPECT_EQ(out[0], px[0]);
    EXPECT_EQ(out[1], 0u);
    EXPECT_GT(test::MeanLuma(out), test::MeanLuma(px) + 10);
    for (size_t i = 2; i < out.size(); ++i)
        EXPECT_EQ(ColorA(out[i]), 255u);
}

} // namespace
} // namespace pv
