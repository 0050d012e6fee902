#include "FakeHost.h"

#include "effects/drawing/MarkerRenderingEffect.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <climits>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;
using test::SolidImage;

ISkSurface Pen(const ISkImage& source, int P1 = 65, int P2 = 70, int P3 = 30, int P4 = 5, int P5 = 40)
{
    SetRandSeed(12345);
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    ProcessEffectOnSurface(source, dest, 202, P1, P2, P3, P4, P5, false);
    return dest;
}

// Two colour fields with a sharp border down the middle.
ISkImage TwoFields(int w, int h, uint32_t left, uint32_t right)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(x < w / 2 ? left : right);
    return ImageFromPixels(w, h, pixels);
}

TEST(FeltTipPen, DerivedValues)
{
    struct Case {
        int P1, P2, P3, P4, P5;
        int step, alpha, length;
        float width;
        int edge, threshold, strokes;
    };
    const Case cases[] = {
        {65, 70, 30, 5, 40, 5, 178, 30, 1.25f, 40, 60, 2},
        {100, 100, 1, 0, 100, 1, 255, 2, 1.0f, 100, 5, 5},
        {0, 0, 2, 4, 0, 13, 0, 2, 1.0f, 0, 100, 1},
        {-50, 250, 500, 100, 2, 13, 255, 500, 25.0f, 2, 98, 1},
        {INT_MAX, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1, 0, INT_MAX, 25.0f, 0, 100, 1},
    };
    for (const Case& c : cases) {
        const MarkerValues v = MarkerRenderingValues(c.P1, c.P2, c.P3, c.P4, c.P5);
        EXPECT_EQ(v.GridStep, c.step) << c.P1;
        EXPECT_EQ(v.StrokeAlpha, c.alpha) << c.P2;
        EXPECT_EQ(v.Length, c.length) << c.P3;
        EXPECT_FLOAT_EQ(v.Width, c.width) << c.P4;
        EXPECT_EQ(v.EdgeValue, c.edge) << c.P5;
        EXPECT_EQ(v.EdgeThreshold, c.threshold) << c.P5;
        EXPECT_EQ(v.EdgeStrokes, c.strokes) << c.P5;
    }
    const MarkerValues d = MarkerRenderingValues(65, 70, 30, 5, 40);
    EXPECT_EQ(MarkerProgressTotal(100, d), 9 + 20 + 4);
    EXPECT_EQ(MarkerProgressTotal(1, d), 1);
    EXPECT_EQ(MarkerProgressTotal(1, MarkerRenderingValues(65, 70, 30, 5, 0)), 1);
}

TEST(FeltTipPen, BoostedColours)
{
    struct Case {
        TAlphaColor in, out;
    };
    for (const Case& c : {Case{0xFF808080u, 0xFF808080u},  // grey: unchanged
                          Case{0xFF40405Fu, 0xFF40405Fu},  // spread 31 < 35: unchanged
                          Case{0xFFC86432u, 0xFFF0641Eu},  // spread 150: +40 / -20, middle kept
                          Case{0xFF6E4646u, 0xFF784141u} /* spread 40: f = 10; both minima fall */}) {
        EXPECT_EQ(MarkerBoostColor(c.in), c.out) << std::hex << c.in;
    }
    EXPECT_EQ(MarkerBoostColor(0x80FAFA14u), 0x80FFFF00u) << "both maxima rise, capped; alpha kept";
}

TEST(FeltTipPen, WhitePaperStaysWhite)
{
    for (const uint32_t p : AllPixels(Pen(SolidImage(24, 16, 0xFFFDFDFDu))->makeImageSnapshot()))
        ASSERT_EQ(p, 0xFFFFFFFFu);
}

TEST(FeltTipPen, StrokesCarryThePicturesColourAndStayOpaque)
{
    const ISkSurface out = Pen(TwoFields(60, 40, 0xFFC03020u, 0xFF2040C0u), 100);
    int reddish = 0, bluish = 0, paper = 0;
    const std::vector<uint32_t> pixels = AllPixels(out->makeImageSnapshot());
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const uint32_t p = pixels[size_t(y * 60 + x)];
            ASSERT_EQ(p >> 24, 0xFFu);
            paper += p == 0xFFFFFFFFu;
            const int r = ColorR(p), b = ColorB(p);
            if (x < 25)
                reddish += r > b + 40;
            if (x >= 35)
                bluish += b > r + 40;
        }
    EXPECT_GT(reddish, 25 * 40 * 8 / 10);
    EXPECT_GT(bluish, 25 * 40 * 8 / 10);
    EXPECT_LT(paper, 60 * 40 / 10);
}

TEST(FeltTipPen, SameSeedSameDrawingWhateverTheThreadCount)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 50; ++x)
            pixels.push_back(0xFF000000u | uint32_t((x * 5 + y) % 256) << 16 | uint32_t((y * 3) % 256) << 8 | 90u);
    const ISkImage source = ImageFromPixels(50, 200, pixels);
    const auto [one, eight] = test::OnOneAndEightWorkers([&] { return AllPixels(Pen(source, 100)->makeImageSnapshot()); });
    EXPECT_EQ(one, eight);
}

TEST(FeltTipPen, TransparencyOfTheSourceIsKept)
{
    // The dark transparent half is drawn on first, then cut away.
    const ISkSurface out = Pen(TwoFields(40, 30, 0xFF606060u, 0x00000000u));
    const std::vector<uint32_t> pixels = AllPixels(out->makeImageSnapshot());
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const uint32_t p = pixels[size_t(y * 40 + x)];
            if (x >= 20)
                ASSERT_EQ(p, 0u) << x << "," << y;
            else
                ASSERT_EQ(p >> 24, 0xFFu) << x << "," << y;
        }
    for (const uint32_t p : AllPixels(Pen(SolidImage(12, 12, 0u))->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
}

TEST(FeltTipPen, FlatPicturesWithoutGradientsStillGetStrokes)
{
    for (const auto& [w, h] : {std::pair{30, 1}, {30, 2}, {1, 30}}) {
        int inked = 0;
        for (const uint32_t p : AllPixels(Pen(SolidImage(w, h, 0xFF404040u), 100)->makeImageSnapshot()))
            inked += p != 0xFFFFFFFFu;
        EXPECT_GT(inked, 0) << w << "x" << h;
    }
}

TEST(FeltTipPen, KeptCanvasStartsFromThePreviousResultAndPreviewFromWhite)
{
    test::FakeHost host;
    host.FEraseBdChecked = false;
    host.FSkImage = SolidImage(16, 16, 0xFF2050A0u);
    const ISkImage white = SolidImage(16, 16, 0xFFFFFFFFu);
    for (const uint32_t p : AllPixels(Pen(white)->makeImageSnapshot()))
        ASSERT_EQ(p, 0xFF2050A0u);

    const ISkSurface dest = SkSurface::MakeRaster(16, 16);
    {
        PreviewScope scope(true, host.FPreviewGeneration);
        ProcessEffectOnSurface(white, dest, 202, 65, 70, 30, 5, 40, true);
    }
    for (const uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0xFFFFFFFFu);
    // The final report is a blocking call, made here at once, before the queued ones.
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
    test::DrainEvents();
}

TEST(FeltTipPen, CancelFlagStopsBeforeDrawing)
{
    test::FakeHost host;
    host.Cancel = true;
    const ISkSurface out = Pen(TwoFields(30, 30, 0xFF303030u, 0xFF909090u));
    for (const uint32_t p : AllPixels(out->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
    test::DrainEvents();
    EXPECT_TRUE(host.progress.empty()) << "returns without the final report";
}

} // namespace
} // namespace pv
