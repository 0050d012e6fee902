#include "FakeHost.h"

#include "effects/drawing/ComicPrint.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;
using test::SolidImage;

ISkSurface Print(const ISkImage& source, int P1 = 10, int P2 = 0, int P3 = 100, int P4 = 50, int P5 = 60)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    ProcessEffectOnSurface(source, dest, 203, P1, P2, P3, P4, P5, false);
    return dest;
}

// A colourful picture: hue bands across, brightness down, a dark disc.
ISkImage Colourful(int w, int h, uint8_t alphaRight = 255)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t r = uint32_t((x * 255) / w), g = uint32_t((y * 255) / h), b = uint32_t(255 - r / 2);
            const bool disc = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < (h / 4) * (h / 4);
            uint32_t p = disc ? 0xFF101010u : 0xFF000000u | r << 16 | g << 8 | b;
            if (x >= w * 3 / 4) {
                const uint32_t a = alphaRight;
                p = a << 24 | (((p >> 16) & 0xFF) * a / 255) << 16 | (((p >> 8) & 0xFF) * a / 255) << 8 |
                    ((p & 0xFF) * a / 255);
            }
            pixels.push_back(p);
        }
    return ImageFromPixels(w, h, pixels);
}

TEST(ComicPrint, DerivedValues)
{
    struct Case {
        int P1, P2, P3, P4;
        int cell;
        float largest, smallest, k;
    };
    for (const Case& c : {Case{10, 0, 100, 50, 8, 1.0f, 0.0f, 1.0f}, Case{0, 30, 60, 100, 4, 0.6f, 0.3f, 2.0f},
                          Case{100, 80, 40, 0, 40, 0.4f, 0.4f, 0.0f}, Case{13, 0, 100, 4, 9, 1.0f, 0.0f, 0.08f},
                          // scripts: no spacing below 4 pixels or beyond reason, dots of at most a cell
                          Case{-1000, -5, 100000, -50, 4, 2.0f, 0.0f, -1.0f},
                          Case{INT_MAX, INT_MAX, INT_MAX, 50, 65536, 2.0f, 2.0f, 1.0f}}) {
        const ComicValues v = ComicPrintValues(c.P1, c.P2, c.P3, c.P4);
        EXPECT_EQ(v.Cell, c.cell) << c.P1;
        EXPECT_FLOAT_EQ(v.HalfCell, c.cell / 2.0f) << c.P1;
        EXPECT_FLOAT_EQ(v.LargestDot, c.largest) << c.P3;
        EXPECT_FLOAT_EQ(v.SmallestDot, c.smallest) << c.P2;
        EXPECT_FLOAT_EQ(v.InkFactor, c.k) << c.P4;
    }
}

TEST(ComicPrint, Separation)
{
    struct Case {
        uint32_t pixel;
        float k;
        ComicInk ink;
    };
    const Case cases[] = {
        {0xFFFFFFFFu, 1.0f, {0, 0, 0, 0}},
        {0xFF000000u, 1.0f, {0, 0, 0, 255}},
        {0x00000000u, 1.0f, {0, 0, 0, 0}},
        {0xFFFF0000u, 1.0f, {0, 255, 255, 0}},
        {0xFFFF0000u, 0.5f, {0, 128, 128, 0}}, // 127.5 rounds to even
        {0xFFFF0000u, 2.0f, {0, 255, 255, 0}},
        {0x80800000u, 1.0f, {0, 255, 255, 0}}, // translucent red is red
        {0xFF808080u, 1.0f, {85, 85, 85, 127}}, // grey: equal inks under partial under-colour removal
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComicSeparatePixel(c.pixel, c.k), c.ink) << std::hex << c.pixel << " k " << c.k;
}

TEST(ComicPrint, DotRadius)
{
    const ComicValues v = ComicPrintValues(10, 0, 100, 50);
    EXPECT_FLOAT_EQ(ComicDotRadius(v, 255), 4.0f);
    EXPECT_FLOAT_EQ(ComicDotRadius(v, 0), 0.0f);
    // The ink enters with the power 0.75 twice: (64/255)^0.5625 * 4.
    EXPECT_NEAR(ComicDotRadius(v, 64), 4.0f * std::pow(64.0f / 255.0f, 0.5625f), 1e-5f);
    EXPECT_FLOAT_EQ(ComicDotRadius(ComicPrintValues(10, 50, 100, 50), 0), 2.0f);
}

TEST(ComicPrint, ContourValues)
{
    const ComicContour c = ComicContourValues(60, 8);
    EXPECT_FLOAT_EQ(c.Settings.BlurSigma, 1.6f);
    EXPECT_EQ(c.Settings.WindowRadius, 8);
    EXPECT_EQ(c.Settings.ShortestChain, 5);
    EXPECT_EQ(c.Style.BaseThickness, 2); // (40 / 20) * 8 / 9 = 1.78
    EXPECT_EQ(c.Style.GreatestThickness, 3);
    EXPECT_EQ(c.Style.Term, 12);
    EXPECT_FALSE(c.Style.ShiftTowardDark);

    const ComicContour thin = ComicContourValues(25, 40);
    EXPECT_EQ(thin.Style.BaseThickness, 0);
    EXPECT_EQ(thin.Settings.WindowRadius, 40);
    EXPECT_EQ(thin.Settings.ShortestChain, 24);
    EXPECT_EQ(ComicContourValues(100, 40).Style.BaseThickness, 12);
    EXPECT_EQ(ComicContourValues(5, 4).Settings.WindowRadius, 6);
}

TEST(ComicPrint, OpaquePrintWithTheSourcesTransparency)
{
    const ISkImage source = Colourful(48, 40, 128);
    std::vector<uint32_t> right = AllPixels(source);
    for (int y = 0; y < 40; ++y)
        right[size_t(y * 48 + 47)] = 0; // one fully transparent column
    const std::vector<uint32_t> out = AllPixels(Print(ImageFromPixels(48, 40, right))->makeImageSnapshot());
    std::set<uint32_t> colours;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 48; ++x) {
            const uint32_t p = out[size_t(y * 48 + x)];
            const uint32_t a = p >> 24;
            if (x == 47)
                ASSERT_EQ(p, 0u);
            else if (x >= 36)
                ASSERT_EQ(a, 128u) << x;
            else
                ASSERT_EQ(a, 255u) << x;
            ASSERT_TRUE(ColorR(p) <= a && ColorG(p) <= a && ColorB(p) <= a) << "valid premultiplied";
            colours.insert(p);
        }
    EXPECT_GT(colours.size(), 50u) << "dots of several inks";
}

TEST(ComicPrint, PaperInkAndContours)
{
    const ISkImage source = Colourful(40, 40);
    // No dots and no contours: white paper.
    for (const uint32_t p : AllPixels(Print(source, 10, 0, 0, 50, 0)->makeImageSnapshot()))
        ASSERT_EQ(p, 0xFFFFFFFFu);
    // Only the black screen below an ink factor of 0.1: every pixel is grey.
    int dark = 0;
    for (const uint32_t p : AllPixels(Print(source, 10, 0, 100, 4, 0)->makeImageSnapshot())) {
        ASSERT_TRUE(ColorR(p) == ColorG(p) && ColorG(p) == ColorB(p)) << std::hex << p;
        dark += ColorR(p) < 128;
    }
    EXPECT_GT(dark, 0);
    // Contours alone: dark lines around the disc on white paper.
    const std::vector<uint32_t> lines = AllPixels(Print(source, 10, 0, 0, 50, 60)->makeImageSnapshot());
    EXPECT_EQ(lines[0], 0xFFFFFFFFu);
    EXPECT_LT(ColorR(lines[size_t(20 * 40 + 10)]), 128) << "the disc's left edge";
    EXPECT_EQ(lines[size_t(20 * 40 + 20)], 0xFFFFFFFFu) << "inside the disc";
}

TEST(ComicPrint, ResultDoesNotDependOnTheThreadCount)
{
    const ISkImage source = Colourful(50, 300);
    const auto [one, eight] = test::OnOneAndEightWorkers([&] { return AllPixels(Print(source, 0)->makeImageSnapshot()); });
    EXPECT_EQ(one, eight);
}

TEST(ComicPrint, ShowsEachScreenAndFinishes)
{
    test::FakeHost host;
    const ISkSurface dest = Print(Colourful(30, 30));
    test::DrainEvents();
    EXPECT_EQ(host.redraws, 4) << "one intermediate picture per screen";
    ASSERT_TRUE(host.FSkImage);
    EXPECT_EQ(host.FSkImage->width(), 30);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);

    // A preview shows no intermediate pictures; it ends with its own picture at 101.
    host.redraws = 0;
    const ISkSurface preview = SkSurface::MakeRaster(30, 30);
    {
        PreviewScope scope(true, host.FPreviewGeneration);
        ProcessEffectOnSurface(Colourful(30, 30), preview, 203, 10, 0, 100, 50, 60, true);
    }
    test::DrainEvents();
    EXPECT_EQ(host.redraws, 0);
    ASSERT_FALSE(host.previewPercents.empty());
    EXPECT_EQ(host.previewPercents.back(), 101);
    EXPECT_EQ(AllPixels(host.previews.back()), AllPixels(preview->makeImageSnapshot()));
}

TEST(ComicPrint, TinyPicturesStayAsTheyWereAndCancelledRunsLeaveTheDestinationUntouched)
{
    for (const uint32_t p : AllPixels(Print(SolidImage(1, 9, 0xFF808080u))->makeImageSnapshot()))
        ASSERT_EQ(p, 0xFF808080u);
    test::FakeHost host;
    host.Cancel = true;
    const ISkSurface dest = SkSurface::MakeRaster(20, 20);
    EXPECT_THROW(ProcessEffectOnSurface(Colourful(20, 20), dest, 203, 10, 0, 100, 50, 60, false), EAbort);
    for (const uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
    test::DrainEvents();
}

} // namespace
} // namespace pv
