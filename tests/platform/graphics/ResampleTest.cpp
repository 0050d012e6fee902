#include "platform/graphics/Resample.h"
#include "platform/graphics/SkImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace pv {
namespace {

struct Raster {
    int width, height;
    std::vector<uint32_t> pixels;
    Raster(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    SkPixmap pixmap() { return {reinterpret_cast<uint8_t*>(pixels.data()), width, height, size_t(width) * 4}; }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

uint32_t Grey(int v) { return 0xFF000000u | uint32_t(v) * 0x010101u; }

struct Mapping {
    const char* name;
    SkRect src;
    int dstW, dstH;
    SkRect dst;
};

// Source 12 x 9; each case maps part or all of it onto a destination.
const Mapping kMappings[] = {
    {"same size", SkRect::MakeWH(12, 9), 12, 9, SkRect::MakeWH(12, 9)},
    {"shrink 3x", SkRect::MakeWH(12, 9), 4, 3, SkRect::MakeWH(4, 3)},
    {"shrink odd", SkRect::MakeWH(12, 9), 5, 7, SkRect::MakeWH(5, 7)},
    {"enlarge", SkRect::MakeWH(12, 9), 31, 20, SkRect::MakeWH(31, 20)},
    {"to one pixel", SkRect::MakeWH(12, 9), 1, 1, SkRect::MakeWH(1, 1)},
    {"fractional sub-rectangle", SkRect{1.5f, 2.25f, 10.0f, 7.5f}, 17, 6, SkRect{0.5f, -0.25f, 16.0f, 5.5f}},
};

TEST(Resample, ConstantPictureStaysConstant)
{
    Raster src(12, 9, 0x80402010u);
    for (const Mapping& m : kMappings)
        for (const float bc : {0.0f, 1.0f}) {
            const float B = bc == 0 ? kMitchellB : kCatmullRomB, C = bc == 0 ? kMitchellC : kCatmullRomC;
            Raster dst(m.dstW, m.dstH);
            ASSERT_TRUE(ResampleCubic(src.pixmap(), m.src, dst.pixmap(), m.dst, B, C)) << m.name;
            for (uint32_t p : dst.pixels)
                ASSERT_EQ(p, 0x80402010u) << m.name << " B " << B;
        }
}

TEST(Resample, ColourNeverExceedsAlpha)
{
    // Where an opaque black pixel falls on a negative lobe between translucent
    // white ones, the colour sum rises above the alpha sum.
    Raster src(12, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            src.at(x, y) = (x + y / 3) % 3 == 0 ? 0xFF000000u : ((x + y) % 4 ? 0x80808080u : 0x00000000u);
    for (const Mapping& m : kMappings) {
        Raster dst(m.dstW, m.dstH);
        ASSERT_TRUE(ResampleCubic(src.pixmap(), m.src, dst.pixmap(), m.dst, kCatmullRomB, kCatmullRomC));
        for (uint32_t p : dst.pixels) {
            const uint32_t a = p >> 24;
            ASSERT_LE(p & 0xFF, a) << m.name;
            ASSERT_LE((p >> 8) & 0xFF, a) << m.name;
            ASSERT_LE((p >> 16) & 0xFF, a) << m.name;
        }
    }
}

TEST(Resample, WholePixelCopiesAreExact)
{
    Raster src(12, 9);
    for (size_t i = 0; i < src.pixels.size(); ++i)
        src.pixels[i] = uint32_t(i * 2654435761u) | 0xFF000000u;
    Raster same(12, 9);
    ASSERT_TRUE(ResampleCubic(src.pixmap(), SkRect::MakeWH(12, 9), same.pixmap(), SkRect::MakeWH(12, 9), kMitchellB,
                              kMitchellC));
    EXPECT_EQ(same.pixels, src.pixels);

    // A sub-rectangle moved by whole pixels.
    Raster shifted(4, 4);
    ASSERT_TRUE(ResampleCubic(src.pixmap(), SkRect::MakeXYWH(3, 2, 4, 4), shifted.pixmap(), SkRect::MakeWH(4, 4),
                              kMitchellB, kMitchellC));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shifted.at(x, y), src.at(x + 3, y + 2));
}

TEST(Resample, LinearRampStaysLinearAtPixelCentres)
{
    // Mitchell reproduces linear functions, so the ramp checks the weights and
    // that pixel centres map onto pixel centres, enlarging and shrinking.
    struct Case {
        int srcW, dstW;
    };
    for (const Case c : {Case{8, 32}, Case{40, 20}, Case{60, 17}}) {
        Raster src(c.srcW, 1);
        const double step = 250.0 / (c.srcW - 1);
        for (int x = 0; x < c.srcW; ++x)
            src.at(x, 0) = Grey(int(std::lround(x * step)));
        Raster dst(c.dstW, 1);
        ASSERT_TRUE(ResampleCubic(src.pixmap(), SkRect::MakeWH(float(c.srcW), 1), dst.pixmap(),
                                  SkRect::MakeWH(float(c.dstW), 1), kMitchellB, kMitchellC));
        const double scale = double(c.srcW) / c.dstW;
        const double reach = 2 * std::max(scale, 1.0); // taps beyond this repeat the edge
        for (int x = 0; x < c.dstW; ++x) {
            const double sx = (x + 0.5) * scale - 0.5;
            if (sx - reach < 0 || sx + reach > c.srcW - 1)
                continue;
            EXPECT_NEAR(double(dst.at(x, 0) & 0xFF), sx * step, 1.0) << c.srcW << " -> " << c.dstW << " at " << x;
        }
    }
}

TEST(Resample, ShrinkingFiltersInsteadOfAliasing)
{
    // One-pixel stripes shrunk three times: a point-sampling kernel would keep
    // a strong pattern; a widened kernel leaves an even mid grey.
    Raster src(96, 2);
    for (int x = 0; x < 96; ++x)
        src.at(x, 0) = src.at(x, 1) = Grey(x % 2 ? 255 : 0);
    Raster dst(32, 1);
    ASSERT_TRUE(ResampleCubic(src.pixmap(), SkRect::MakeWH(96, 2), dst.pixmap(), SkRect::MakeWH(32, 1), kMitchellB,
                              kMitchellC));
    for (int x = 2; x < 30; ++x)
        EXPECT_NEAR(double(dst.at(x, 0) & 0xFF), 127.5, 4.0) << x;
}

TEST(Resample, TapsStayInsideTheSourceRectangle)
{
    Raster src(8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            src.at(x, y) = x < 4 ? 0xFFFF0000u : 0xFF0000FFu;
    Raster dst(7, 5);
    ASSERT_TRUE(ResampleCubic(src.pixmap(), SkRect::MakeXYWH(4, 0, 4, 4), dst.pixmap(), SkRect::MakeWH(7, 5),
                              kCatmullRomB, kCatmullRomC));
    for (uint32_t p : dst.pixels)
        ASSERT_EQ(p, 0xFF0000FFu);
}

TEST(Resample, RefusesEmptyOrNonFiniteRectangles)
{
    Raster src(4, 4, 0xFFFFFFFFu), dst(2, 2, 0x11111111u);
    const float inf = INFINITY;
    for (const auto& [s, d] : {std::pair{SkRect::MakeWH(0, 4), SkRect::MakeWH(2, 2)},
                               std::pair{SkRect::MakeWH(4, 4), SkRect::MakeWH(2, -1)},
                               std::pair{SkRect::MakeXYWH(5, 0, 2, 2), SkRect::MakeWH(2, 2)},
                               std::pair{SkRect{0, 0, inf, 4}, SkRect::MakeWH(2, 2)},
                               std::pair{SkRect::MakeWH(4, 4), SkRect{0, 0, 2, NAN}}})
        EXPECT_FALSE(ResampleCubic(src.pixmap(), s, dst.pixmap(), d, kMitchellB, kMitchellC));
    for (uint32_t p : dst.pixels)
        EXPECT_EQ(p, 0x11111111u);
    EXPECT_EQ(ResampleImageCubic(nullptr, 2, 2, kMitchellB, kMitchellC), nullptr);
}

} // namespace
} // namespace pv
