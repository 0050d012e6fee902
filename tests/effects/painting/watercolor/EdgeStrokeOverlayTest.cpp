#include "engine/FakeHost.h"

#include "effects/painting/watercolor/EdgeStrokeOverlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {
namespace {

using test::PixelAt;
using test::SolidImage;

ISkImage ImageFrom(int w, int h, const std::vector<uint32_t>& px)
{
    return SkImage::MakeRasterCopy(px.data(), w, h, size_t(w) * 4);
}

// Bright shapes with soft and hard edges on a darker ground.
std::vector<uint32_t> Shapes(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = 40 + (x * 3 + y) % 30;
            if ((x - 20) * (x - 20) + (y - 18) * (y - 18) < 120)
                v = 230;
            if (x > 35 && y > 8 && y < 30)
                v = 140 + x;
            px[size_t(y * w + x)] = MakeColor(255, uint8_t(v), uint8_t(v * 3 / 4), uint8_t(255 - v));
        }
    return px;
}

// The strokes laid one by one, as the description of the pass reads.
std::vector<uint32_t> ReferenceStrokes(const std::vector<uint32_t>& src, int w, int h, int threshold, int darkness,
                                       int length)
{
    bool anyTransparent = false;
    for (uint32_t p : src)
        anyTransparent |= (p >> 24) != 255;
    std::vector<uint32_t> out(src.size(), anyTransparent ? 0u : 0xFFFFFFFFu);
    auto Y = [&](int x, int y) {
        const uint32_t p = src[size_t(y * w + x)];
        return int((30 * ((p >> 16) & 0xFF) + 59 * ((p >> 8) & 0xFF) + 11 * (p & 0xFF)) / 100);
    };
    auto darken = [&](int x, int y, int s) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        uint32_t& p = out[size_t(y * w + x)];
        if (anyTransparent && (p >> 24) == 0)
            p = 0xFFFFFFFFu;
        uint32_t v = p & 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8)
            v |= uint32_t(std::max(0, int((p >> sh) & 0xFF) - s)) << sh;
        p = v;
    };
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            int gx = (Y(x - 1, y - 1) + 2 * Y(x - 1, y) + Y(x - 1, y + 1) - Y(x + 1, y - 1) - 2 * Y(x + 1, y) -
                      Y(x + 1, y + 1)) / 4;
            int gy = (Y(x - 1, y - 1) + 2 * Y(x, y - 1) + Y(x + 1, y - 1) - Y(x - 1, y + 1) - 2 * Y(x, y + 1) -
                      Y(x + 1, y + 1)) / 4;
            gx = std::clamp(gx, -255, 255);
            gy = std::clamp(gy, -255, 255);
            const int m = (std::abs(gx) + std::abs(gy)) >> 1;
            if (m < threshold || std::abs(std::abs(gx) - std::abs(gy)) <= 1)
                continue;
            const double a = gx != 0 ? std::atan(double(gy) / gx) + 1.5707 : 3.14159;
            const int n = ((m >> 2) * length) / 50;
            if (n <= 0)
                continue;
            for (int j = 0; j <= n; ++j) {
                const int s = ((m >> 1) * length) / 50 - j - (150 - darkness) / 4;
                if (s <= 0)
                    break;
                const int dx = int(std::floor(j * std::cos(a))), dy = int(std::floor(j * std::sin(a)));
                darken(x - dx, y - dy, s);
                darken(x + dx, y + dy, s);
            }
        }
    return out;
}

std::vector<uint32_t> Pixels(const ISkImage& image)
{
    SkPixmap pm;
    image->peekPixels(pm);
    std::vector<uint32_t> out;
    for (int y = 0; y < pm.height; ++y)
        out.insert(out.end(), pm.row(y), pm.row(y) + pm.width);
    return out;
}

TEST(EdgeStrokes, MatchStrokesLaidOneByOne)
{
    const int w = 64, h = 150;
    std::vector<uint32_t> shapes = Shapes(w, h);
    std::vector<uint32_t> withHole = shapes;
    withHole[size_t(5 * w + 5)] = 0x80402010u;
    struct Case {
        const std::vector<uint32_t>* px;
        int threshold, darkness, length;
    };
    // Length 60 reaches 75 rows: strokes cross the bands the work is split into.
    for (const Case& c : {Case{&shapes, 5, 230, 10}, Case{&shapes, 24, 120, 60}, Case{&withHole, 5, 230, 10}}) {
        const ISkImage strokes = RenderEdgeStrokes(ImageFrom(w, h, *c.px), c.threshold, c.darkness, c.length);
        ASSERT_TRUE(strokes);
        const std::vector<uint32_t> got = Pixels(strokes);
        const std::vector<uint32_t> want = ReferenceStrokes(*c.px, w, h, c.threshold, c.darkness, c.length);
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], want[i]) << "pixel " << i % w << "," << i / w << " threshold " << c.threshold
                                       << " darkness " << c.darkness << " length " << c.length;
    }
}

TEST(EdgeStrokes, AbsurdStrokeLengthEndsAtThePictureBorder)
{
    // Steps and strengths of a script's stroke length overflow 32 bits; the
    // strokes simply run across the whole picture and stop at its border.
    const ISkImage strokes = RenderEdgeStrokes(ImageFrom(64, 40, Shapes(64, 40)), 24, 255, 2147483647);
    ASSERT_TRUE(strokes);
    int black = 0;
    for (uint32_t p : Pixels(strokes))
        black += p == 0xFF000000u;
    EXPECT_GT(black, 64 * 40 / 4);
}

TEST(EdgeStrokes, UniformPictureGetsNoStrokes)
{
    const ISkSurface dest = SkSurface::MakeRaster(12, 9);
    SobelEffectSource(SolidImage(12, 9, 0xFF808080u), dest, 1, 230, 10, 0, 0, false);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(PixelAt(dest, x, y), 0xFFFFFFFFu);
}

TEST(EdgeStrokes, OneTranslucentPixelMakesTheGroundTransparent)
{
    std::vector<uint32_t> px = Shapes(64, 40);
    px[0] = 0xFE000000u | (px[0] & 0x00FEFEFEu);
    const ISkImage strokes = RenderEdgeStrokes(ImageFrom(64, 40, px), 5, 230, 10);
    int opaque = 0;
    for (uint32_t p : Pixels(strokes)) {
        ASSERT_TRUE(p == 0 || (p >> 24) == 255);
        opaque += p != 0;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_LT(opaque, 64 * 40 / 2);
}

TEST(EdgeStrokes, PicturesBelowThreeByThreeClearTheDestination)
{
    const ISkSurface dest = SkSurface::MakeRaster(2, 5);
    dest->getCanvas()->clear(0xFF00FF00u);
    SobelEffectSource(SolidImage(2, 5, 0xFF000000u), dest, 5, 230, 10, 0, 0, false);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0u);
    const ISkSurface painting = SkSurface::MakeRaster(2, 5);
    painting->getCanvas()->clear(0xFF00FF00u);
    ApplyEdgeStrokeOverlay(SolidImage(2, 5, 0xFF000000u), painting, 5, 230, 10, 0, 100);
    EXPECT_EQ(PixelAt(painting, 1, 1), 0xFF00FF00u);
}

TEST(EdgeStrokeOverlay, BlendModesAndOpacity)
{
    const int w = 64, h = 40;
    const ISkImage source = ImageFrom(w, h, Shapes(w, h));
    const std::vector<uint32_t> strokes = Pixels(RenderEdgeStrokes(source, 5, 230, 10));
    const uint32_t ground = 0xFFC89664u; // 200, 150, 100
    auto overlay = [&](int mode, int opacity) {
        const ISkSurface dest = SkSurface::MakeRaster(w, h);
        dest->getCanvas()->clear(ground);
        ApplyEdgeStrokeOverlay(source, dest, 5, 230, 10, mode, opacity);
        return Pixels(dest->makeImageSnapshot());
    };
    auto expect = [&](int mode, int g, int d) {
        switch (mode) {
        case 1: return std::min(g, d);
        case 2: return 2 * d <= 255 ? 2 * g * d / 255 : 255 - 2 * (255 - g) * (255 - d) / 255;
        default: return g * d / 255;
        }
    };
    for (int mode : {0, 1, 2, 7}) {
        const std::vector<uint32_t> out = overlay(mode, 100);
        for (size_t i = 0; i < out.size(); ++i) {
            const int g = int(strokes[i] & 0xFF);
            for (int sh : {0, 8, 16}) {
                const int d = int((ground >> sh) & 0xFF);
                ASSERT_NEAR(int((out[i] >> sh) & 0xFF), expect(mode, g, d), 1) << "mode " << mode << " pixel " << i;
            }
        }
    }
    EXPECT_EQ(overlay(0, 0), std::vector<uint32_t>(size_t(w * h), ground));
    EXPECT_EQ(overlay(0, 250), overlay(0, 100));
}

} // namespace
} // namespace pv
