#include "FakeHost.h"

#include "engine/SharpenSurface.h"
#include "engine/VibrancePop.h"

#include <gtest/gtest.h>

#include <vector>

namespace pv {
namespace {

using test::PixelAt;

// Opaque pixels covering dull and vivid colours, greys and skin tones.
ISkImage ColourChart()
{
    std::vector<uint32_t> px;
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51)
                px.push_back(MakeColor(255, uint8_t(r), uint8_t(g), uint8_t(b)));
    px.push_back(0xFFE0A080u); // skin
    px.push_back(0xFF7F7F7Fu);
    return SkImage::MakeRasterCopy(px.data(), int(px.size()), 1, px.size() * 4);
}

ISkSurface Graded(const ISkImage& image, int vib, int sat, int con, int skin, int mix)
{
    const ISkSurface dest = SkSurface::MakeRaster(image->width(), image->height());
    VibrancePop(image, dest, vib, sat, con, skin, mix, false);
    return dest;
}

TEST(VibrancePop, NeutralSettingsAndZeroMixKeepOpaquePixels)
{
    const ISkImage chart = ColourChart();
    SkPixmap in;
    chart->peekPixels(in);
    struct Case {
        int vib, sat, con, skin, mix;
    };
    for (const Case& c : {Case{0, 0, 0, 0, 100}, Case{0, 0, 0, 100, 100}, Case{0, 0, 0, 40, 70},
                          Case{80, -60, 90, 40, 0}, Case{-100, 100, -100, 0, 0}}) {
        const ISkSurface out = Graded(chart, c.vib, c.sat, c.con, c.skin, c.mix);
        for (int x = 0; x < in.width; ++x)
            ASSERT_EQ(PixelAt(out, x, 0), in.at(x, 0))
                << "settings " << c.vib << "," << c.sat << "," << c.con << "," << c.skin << "," << c.mix << " x " << x;
    }
}

TEST(VibrancePop, FullDesaturationGivesGreyAtLuma)
{
    const ISkImage chart = ColourChart();
    SkPixmap in;
    chart->peekPixels(in);
    const ISkSurface out = Graded(chart, 100, -100, 0, 0, 100);
    for (int x = 0; x < in.width; ++x) {
        const uint32_t p = in.at(x, 0), q = PixelAt(out, x, 0);
        const double luma = 0.299 * ColorR(p) + 0.587 * ColorG(p) + 0.114 * ColorB(p);
        EXPECT_EQ(ColorR(q), ColorG(q));
        EXPECT_EQ(ColorG(q), ColorB(q));
        EXPECT_NEAR(ColorR(q), luma, 0.51) << x;
    }
}

TEST(VibrancePop, ContrastStretchesLumaAboutTheMiddle)
{
    const ISkImage grey = test::SolidImage(1, 1, 0xFF404040u); // luma 64/255
    EXPECT_EQ(PixelAt(Graded(grey, 0, 0, 100, 0, 100), 0, 0), 0xFF0D0D0Du);  // (0.251-0.5)*1.8+0.5 -> 13.2
    EXPECT_EQ(PixelAt(Graded(grey, 0, 0, -100, 0, 100), 0, 0), 0xFF737373u); // (0.251-0.5)*0.2+0.5 -> 114.8
}

TEST(VibrancePop, OutOfRangeArgumentsAreClamped)
{
    const ISkImage chart = ColourChart();
    SkPixmap a, b;
    const ISkSurface clamped = Graded(chart, 250, 30, 0, -5, 100);
    const ISkSurface limit = Graded(chart, 100, 30, 0, 0, 100);
    clamped->peekPixels(a);
    limit->peekPixels(b);
    for (int x = 0; x < a.width; ++x)
        EXPECT_EQ(a.at(x, 0), b.at(x, 0)) << x;
}

TEST(VibrancePop, TranslucentPixelsStayValidPremultiplied)
{
    const std::vector<uint32_t> px{0x00000000u, 0x80604020u, 0x40402010u, 0xC0C00000u};
    const ISkImage image = SkImage::MakeRasterCopy(px.data(), 4, 1, 16);
    const ISkSurface out = Graded(image, 100, 100, 50, 0, 100);
    EXPECT_EQ(PixelAt(out, 0, 0), 0u);
    for (int x = 1; x < 4; ++x) {
        const uint32_t q = PixelAt(out, x, 0);
        EXPECT_EQ(ColorA(q), ColorA(px[size_t(x)]));
        EXPECT_LE(ColorR(q), ColorA(q));
        EXPECT_LE(ColorG(q), ColorA(q));
        EXPECT_LE(ColorB(q), ColorA(q));
    }
}

TEST(VibrancePop, MissingPictureLeavesDestUntouched)
{
    const ISkSurface dest = SkSurface::MakeRaster(2, 2);
    dest->getCanvas()->clear(0xFF123456u);
    VibrancePop(nullptr, dest, 50, 50, 50, 50, 50, false);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFF123456u);
}

// A vertical step from grey 100 to grey 150 with a translucent row below.
ISkImage StepPicture()
{
    std::vector<uint32_t> px(8 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            px[size_t(y * 8 + x)] = y == 3 ? 0x80404040u : (x < 4 ? 0xFF646464u : 0xFF969696u);
    return SkImage::MakeRasterCopy(px.data(), 8, 4, 32);
}

ISkSurface Sharpened(const ISkImage& image, int amount)
{
    const ISkSurface s = SkSurface::MakeRaster(image->width(), image->height());
    s->getCanvas()->clear(0xFFFF0000u); // must be replaced entirely
    SharpenSurface(image, s, amount);
    return s;
}

TEST(SharpenSurface, AmountZeroOrBelowRedrawsThePictureUnchanged)
{
    const ISkImage step = StepPicture();
    SkPixmap in;
    step->peekPixels(in);
    for (int amount : {0, -40}) {
        const ISkSurface s = Sharpened(step, amount);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(PixelAt(s, x, y), in.at(x, y)) << amount << " at " << x << "," << y;
    }
}

TEST(SharpenSurface, StepEdgeOvershootsAndFlatAreasKeepTheirValue)
{
    const ISkSurface s = Sharpened(StepPicture(), 40);
    // Row 0: the edge repeats upward. Dark side 100*2.6 - 0.4*(100+100+100+150) = 80,
    // bright side 150*2.6 - 0.4*(150+150+150+100) = 170.
    EXPECT_EQ(PixelAt(s, 3, 0), 0xFF505050u);
    EXPECT_EQ(PixelAt(s, 4, 0), 0xFFAAAAAAu);
    EXPECT_EQ(PixelAt(s, 0, 0), 0xFF646464u);
    EXPECT_EQ(PixelAt(s, 7, 0), 0xFF969696u);
    EXPECT_EQ(PixelAt(s, 1, 1), 0xFF646464u);
    // Alpha is not convolved: the translucent row keeps alpha 128.
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(ColorA(PixelAt(s, x, 3)), 0x80u) << x;
}

TEST(SharpenSurface, KernelAtFullAmount)
{
    float k[9];
    SharpenKernel(100, k);
    const float expected[9] = {0, -1, 0, -1, 5, -1, 0, -1, 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(k[i], expected[i]) << i;
    SharpenKernel(250, k);
    EXPECT_EQ(k[4], 5.0f);
}

TEST(SharpenSurface, WithoutSourceSharpensTheSurfaceItself)
{
    const ISkImage step = StepPicture();
    const ISkSurface s = SkSurface::MakeRaster(8, 4);
    s->getCanvas()->drawImage(step, 0, 0);
    SharpenSurface(nullptr, s, 40);
    EXPECT_EQ(PixelAt(s, 3, 0), 0xFF505050u);
    SharpenSurface(step, nullptr, 40); // nothing to draw on: no effect, no crash
}

TEST(SharpenSurface, ResultDoesNotDependOnThreadCount)
{
    std::vector<uint32_t> px(97 * 61);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    const ISkImage noise = SkImage::MakeRasterCopy(px.data(), 97, 61, 97 * 4);
    SetSharedPoolWorkers(1);
    const ISkImage one = Sharpened(noise, 40)->makeImageSnapshot();
    SetSharedPoolWorkers(0);
    const ISkImage all = Sharpened(noise, 40)->makeImageSnapshot();
    EXPECT_EQ(one->qimage(), all->qimage());
}

} // namespace
} // namespace pv
