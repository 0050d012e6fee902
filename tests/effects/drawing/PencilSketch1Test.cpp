#include "FakeHost.h"

#include "effects/drawing/PencilSketch1.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <climits>

namespace pv {
namespace {

using test::AllPixels;
using test::AllValidPremultiplied;
using test::DrawingFixture;
using test::RunEffect;

std::vector<uint32_t> Sketch(const ISkImage& source, int P1 = 20, int P2 = 50, int P3 = 65, int P4 = 5, int P5 = 80)
{
    return test::EffectPixels(100, source, P1, P2, P3, P4, P5);
}

TEST(PencilSketch, DerivedValues)
{
    const PencilSketchValues d = PencilSketchValuesFor(20, 50, 65, 5, 80);
    EXPECT_EQ(d.EdgeThreshold, 20);
    EXPECT_EQ(d.EdgeDarkness, 200);
    EXPECT_EQ(d.Brightness, 166); // 165.75
    EXPECT_EQ(d.Contrast, 6);     // 6.4
    EXPECT_EQ(d.ColourKept, 80);
    const PencilSketchValues e = PencilSketchValuesFor(INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1000);
    EXPECT_EQ(e.EdgeDarkness, 4 * int64_t(INT_MAX)) << "no overflow";
    EXPECT_EQ(e.ColourKept, 100);
    EXPECT_EQ(PencilSketchValuesFor(0, 0, 0, 0, -5).ColourKept, 0);
    EXPECT_EQ(PencilSketchValuesFor(0, 0, 0, 75, 0).Contrast, 96);
}

TEST(PencilSketch, TurnedSize)
{
    // 1000 cos 30 + 800 sin 30 = 1266.03; 1000 sin 30 + 800 cos 30 = 1192.8.
    EXPECT_EQ(PencilTurnedSize(1000, 800).Width, 1267);
    EXPECT_EQ(PencilTurnedSize(1000, 800).Height, 1193);
    EXPECT_EQ(PencilTurnedSize(1, 1).Width, 2);
}

TEST(PencilSketch, LongThinPicturesReportOutOfMemoryBeforeTurning)
{
    const std::pair<std::pair<int, int>, bool> cases[] = {
        {{4000, 3000}, true}, {{13856, 866}, true}, {{2000, 1}, true}, {{1, 30000}, false}, {{40000, 100}, false},
    };
    for (const auto& [size, fits] : cases)
        EXPECT_EQ(PencilTurnedAreaFits(size.first, size.second), fits) << size.first << "x" << size.second;
    // 1 x 30000 turns into 15001 x 25982: gigabytes for a 120-KB picture.
    const ISkImage tall = test::SolidImage(1, 30000, 0xFF808080u);
    const ISkSurface dest = SkSurface::MakeRaster(1, 30000);
    EXPECT_THROW(PencilSketch(tall, dest, 20, 50, 65, 5, 80, false), std::bad_alloc);
}

TEST(PencilSketch, TextureTable)
{
    const PencilTextureTable flat = PencilTextureTableFrom(nullptr);
    EXPECT_EQ(flat.Width, 100);
    EXPECT_EQ(flat.Height, 100);
    EXPECT_EQ(flat.Grey, std::vector<uint8_t>(100 * 100, 128));
    // Three rows leave no room for the row arithmetic: the flat table instead.
    EXPECT_EQ(PencilTextureTableFrom(test::SolidImage(8, 3, 0xFF102030u)).Height, 100);
    const PencilTextureTable four = PencilTextureTableFrom(test::SolidImage(5, 4, 0xFF10203Fu));
    EXPECT_EQ(four.Width, 5);
    EXPECT_EQ(four.Height, 4);
    EXPECT_EQ(four.Grey[0], (0x10 + 0x20 + 0x3F) / 3);
}

TEST(PencilSketch, SameDrawingEveryRunWhateverTheGeneratorHeld)
{
    const ISkImage source = DrawingFixture(60, 40);
    SetRandSeed(1);
    const std::vector<uint32_t> first = Sketch(source);
    SetRandSeed(12345);
    EXPECT_EQ(Sketch(source), first);
}

TEST(PencilSketch, TransparentPartsStayTransparent)
{
    std::vector<uint32_t> px = AllPixels(DrawingFixture(60, 40));
    for (int y = 10; y < 30; ++y)
        for (int x = 20; x < 40; ++x)
            px[size_t(y * 60 + x)] = 0x05050505u; // alpha 5 counts as empty
    const std::vector<uint32_t> out = Sketch(test::ImageFromPixels(60, 40, px));
    EXPECT_EQ(out[size_t(20 * 60 + 30)], 0u) << "the hole";
    EXPECT_EQ(out[size_t(20 * 60 + 8)] >> 24, 255u) << "beside it the picture is drawn";
    EXPECT_TRUE(AllValidPremultiplied(out));
}

TEST(PencilSketch, NoColourGivesGrey)
{
    const std::vector<uint32_t> out = Sketch(DrawingFixture(60, 40), 20, 50, 65, 5, 0);
    int drawn = 0;
    for (const uint32_t p : out) {
        ASSERT_TRUE(ColorR(p) == ColorG(p) && ColorG(p) == ColorB(p)) << std::hex << p;
        drawn += (p >> 24) == 255;
    }
    EXPECT_GT(drawn, 1000);
    bool coloured = false;
    for (const uint32_t p : Sketch(DrawingFixture(60, 40), 20, 50, 65, 5, 100))
        coloured = coloured || ColorR(p) != ColorB(p);
    EXPECT_TRUE(coloured);
}

TEST(PencilSketch, TranslucentPicturesStayValidPremultiplied)
{
    std::vector<uint32_t> px = AllPixels(DrawingFixture(40, 30));
    for (size_t i = 0; i < px.size(); ++i) {
        const uint32_t a = i % 3 == 0 ? 255 : (i % 3 == 1 ? 128 : 5);
        const uint32_t p = px[i];
        px[i] = a << 24 | (((p >> 16) & 0xFF) * a / 255) << 16 | (((p >> 8) & 0xFF) * a / 255) << 8 | ((p & 0xFF) * a / 255);
    }
    EXPECT_TRUE(AllValidPremultiplied(Sketch(test::ImageFromPixels(40, 30, px))));
}

TEST(PencilSketch, CancelFlagStopsTheRows)
{
    test::FakeHost host;
    const ISkImage source = DrawingFixture(60, 40);
    // The rows read the user's cancel flag; a preview then still ends normally
    // with what was drawn (here nothing).
    host.Cancel = true;
    {
        PreviewScope scope(true, host.FPreviewGeneration.load());
        for (const uint32_t p : test::EffectPixels(100, source, 20, 50, 65, 5, 80, true))
            ASSERT_EQ(p, 0u);
    }
    // A full render ends as cancelled.
    EXPECT_THROW(RunEffect(100, source, 20, 50, 65, 5, 80), EAbort);
    host.Cancel = false;
    PreviewScope scope(true, host.FPreviewGeneration.load());
    EXPECT_NE(test::EffectPixels(100, source, 20, 50, 65, 5, 80, true)[size_t(20 * 60 + 30)], 0u);
}

TEST(PencilSketch, TinyPictures)
{
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{1, 1000}}) {
        const std::vector<uint32_t> out = Sketch(test::SolidImage(w, h, 0xFF806040u));
        ASSERT_EQ(out.size(), size_t(w) * size_t(h));
        EXPECT_TRUE(AllValidPremultiplied(out));
        if (w == 1 && h == 1) {
            EXPECT_EQ(out[0], 0xFF806040u) << "a turned size of 2 x 2 has no inner pixel: left as it was";
        }
    }
}

} // namespace
} // namespace pv
