#include "FakeHost.h"

#include "effects/drawing/Stippling.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::PixelAt;

ISkImage ImageFromRows(int w, int h, const std::vector<uint32_t>& pixels)
{
    return SkImage::MakeRasterCopy(pixels.data(), w, h, size_t(w) * 4);
}

ISkSurface Stipple(const ISkImage& source, int P1)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    ProcessEffectOnSurface(source, dest, 201, P1, 0, 0, 0, 0, false);
    return dest;
}

TEST(Stippling, RegistersItselfInTheCatalogue)
{
    ASSERT_NE(FindEffect(201), nullptr);
    EXPECT_NE(FindEffect(201)->proc, nullptr);
}

TEST(Stippling, ExtremeThresholds)
{
    const std::vector<uint32_t> grey(6 * 5, 0xFF7F7F7Fu);
    const ISkImage source = ImageFromRows(6, 5, grey);
    struct Case {
        int P1;
        uint32_t expected;
    };
    for (const Case& c : {Case{0, 0xFFFFFFFFu}, Case{-2147483647 - 1, 0xFFFFFFFFu}, Case{256, 0xFF000000u},
                          Case{2147483647, 0xFF000000u}}) {
        const ISkSurface dest = Stipple(source, c.P1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(PixelAt(dest, x, y), c.expected) << "P1 " << c.P1 << " at " << x << "," << y;
    }
}

TEST(Stippling, KeepsAlphaAndWritesValidPremultipliedColour)
{
    // Translucent white, translucent mid grey, fully transparent.
    const std::vector<uint32_t> pixels{0x80808080u, 0x40202020u, 0x00000000u, 0xC0C0C0C0u};
    const ISkSurface dest = Stipple(ImageFromRows(4, 1, pixels), 20);
    for (int x = 0; x < 4; ++x) {
        const uint32_t p = PixelAt(dest, x, 0);
        const uint32_t a = p >> 24;
        EXPECT_EQ(a, pixels[size_t(x)] >> 24) << x;
        const uint32_t c = p & 0xFF;
        EXPECT_TRUE(c == 0 || c == a) << "colour " << c << " under alpha " << a;
        EXPECT_EQ((p >> 8) & 0xFF, c);
        EXPECT_EQ((p >> 16) & 0xFF, c);
    }
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x80808080u) << "grey 0.5 is above the threshold";
    EXPECT_EQ(PixelAt(dest, 2, 0), 0x00000000u) << "alpha 0 reads as black and stays transparent";
}

TEST(Stippling, HandCheckedRow)
{
    // One row of four opaque greys 100/255, threshold 50/255 (0.196).
    // x0: L=0.392 -> white, share (0.392-1)/8 = -0.076 -> x1: 0.392-0.076 = 0.316 -> byte 81,
    //     x2: byte 81. x1: L=81/255=0.318 -> white, share -0.0853 -> x2: 0.318-0.085=0.232 -> 59,
    //     x3: 0.392-0.085=0.307 -> 78. x2: L=59/255=0.231 -> white, share -0.096 -> x3: 0.306-0.096=0.210 -> 54.
    // x3: L=54/255=0.212 -> white. With threshold 60/255 (0.235) x2 turns black instead.
    const std::vector<uint32_t> row(4, 0xFF646464u);
    const ISkImage source = ImageFromRows(4, 1, row);
    const ISkSurface white = Stipple(source, 50);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(white, x, 0), 0xFFFFFFFFu) << x;
    const ISkSurface mixed = Stipple(source, 60);
    EXPECT_EQ(PixelAt(mixed, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(mixed, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(mixed, 2, 0), 0xFF000000u);
}

TEST(Stippling, ErrorDoesNotWrapToTheNextRow)
{
    // The last pixel of row 0 (grey 38/255, below the threshold 43/255) turns
    // black and passes +0.0186 to each neighbour. Its (x+1, y) and (x+2, y)
    // neighbours lie outside the picture; were they wrapped to the next row,
    // (0, 1) at grey 40/255 would climb above the threshold and turn white.
    const int w = 4;
    std::vector<uint32_t> pixels(size_t(w) * 2, 0xFFFFFFFFu);
    pixels[3] = 0xFF262626u;
    pixels[4] = 0xFF282828u;
    const ISkSurface dest = Stipple(ImageFromRows(w, 2, pixels), 43);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(dest, 0, 1), 0xFF000000u);
}

TEST(Stippling, ThresholdAndGreyLevels)
{
    EXPECT_FLOAT_EQ(StipplingThreshold(51), 0.2f);
    EXPECT_FLOAT_EQ(StipplingGrey(0xFFFFFFFFu), 1.0f);
    EXPECT_FLOAT_EQ(StipplingGrey(0xFF000000u), 0.0f);
    EXPECT_FLOAT_EQ(StipplingGrey(0xFFFF0000u), 0.299f);
}

TEST(Stippling, ReportsProgressAndFinishes)
{
    test::FakeHost host;
    host.FEraseBdChecked = false; // the switch has no influence on this effect
    LastProgressTick = 0;
    const std::vector<uint32_t> pixels(3, 0xFF404040u);
    const ISkSurface dest = Stipple(ImageFromRows(3, 1, pixels), 20);
    test::DrainEvents();
    EXPECT_EQ(host.progress, (std::vector<int>{0, 101}));
    EXPECT_EQ(PixelAt(dest, 0, 0) >> 24, 0xFFu);
}

} // namespace
} // namespace pv
