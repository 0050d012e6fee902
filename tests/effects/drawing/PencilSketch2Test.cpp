#include "FakeHost.h"

#include "effects/drawing/PencilSketch2.h"
#include "platform/system/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace pv {
namespace {

using test::AllPixels;
using test::AllValidPremultiplied;
using test::DrawingFixture;
using test::RunEffect;
using test::SolidImage;

std::vector<uint32_t> Sketch(const ISkImage& source, int P1 = 10, int P2 = 40, int P3 = 30, int P4 = 0, int P5 = 30,
                             bool preview = false)
{
    return test::EffectPixels(101, source, P1, P2, P3, P4, P5, preview);
}

TEST(Pencil6, DerivedValues)
{
    const Pencil6Values d = Pencil6ValuesFor(10, 40, 0, 30);
    EXPECT_EQ(d.MinLen, 10);
    EXPECT_EQ(d.MaxLen, 45);
    EXPECT_EQ(d.Quality, 75);
    EXPECT_EQ(d.ColourOpacity, 0);
    const Pencil6Values big = Pencil6ValuesFor(90, 40, 100, 100);
    EXPECT_EQ(big.MinLen, 45) << "P1 above P2 + 5";
    EXPECT_EQ(big.ColourOpacity, 255);
    EXPECT_EQ(Pencil6ValuesFor(0, 0, 50, 1).Quality, 2) << "2.5 rounds to even";
    EXPECT_EQ(Pencil6ValuesFor(0, 0, 50, 0).ColourOpacity, 128);
    const Pencil6Values script = Pencil6ValuesFor(INT_MAX, INT_MAX, INT_MAX, INT_MIN);
    EXPECT_EQ(script.MaxLen, 10000);
    EXPECT_EQ(script.ColourOpacity, 255);
    EXPECT_EQ(script.Quality, -1000);
    EXPECT_EQ(Pencil6ValuesFor(0, 0, 0, INT_MAX).Quality, 500);
}

TEST(Pencil6, StepsAndCandidates)
{
    EXPECT_EQ(Pencil6StepCount(30, 999, 999, true), 700) << "previews ignore the size";
    EXPECT_EQ(Pencil6StepCount(30, 400, 200, false), 1401); // 2 x 700 + 1
    EXPECT_EQ(Pencil6StepCount(-5, 400, 200, true), 0);
    EXPECT_EQ(Pencil6StepCount(INT_MIN, 400, 200, true), 0) << "held at -5";
    EXPECT_EQ(Pencil6StepCount(INT_MAX, 200, 200, false), 20101);
    // Q 75: (110 - Pct) div 3, a quarter of it below 5 %; Q 250: times 9.
    EXPECT_EQ(Pencil6Candidates(75, 0), 9);
    EXPECT_EQ(Pencil6Candidates(75, 50), 20);
    EXPECT_EQ(Pencil6Candidates(250, 10), 900);
    EXPECT_EQ(Pencil6Candidates(-1000, 50), 1); // 60 div 46
}

TEST(Pencil6, Bresenham)
{
    std::vector<int> xy;
    BresenhamLine(0, 0, 4, 2, xy);
    EXPECT_EQ(xy, (std::vector<int>{0, 0, 1, 0, 2, 1, 3, 1, 4, 2}));
    BresenhamLine(3, 5, 3, 5, xy);
    EXPECT_EQ(xy, (std::vector<int>{3, 5}));
    BresenhamLine(2, 3, 0, 0, xy);
    EXPECT_EQ(xy.size(), 8u);
    EXPECT_EQ(xy.front(), 2);
    EXPECT_EQ(xy.back(), 0);
}

TEST(Pencil6, GreyLinesOnWhitePaper)
{
    const std::vector<uint32_t> out = Sketch(DrawingFixture(80, 60));
    int dark = 0;
    for (const uint32_t p : out) {
        ASSERT_EQ(p >> 24, 255u);
        ASSERT_TRUE(ColorR(p) == ColorG(p) && ColorG(p) == ColorB(p)) << std::hex << p;
        dark += ColorR(p) < 128;
    }
    EXPECT_GT(dark, 100) << "the disc is drawn";
    bool coloured = false;
    for (const uint32_t p : Sketch(DrawingFixture(80, 60), 10, 40, 30, 100))
        coloured = coloured || ColorR(p) != ColorB(p);
    EXPECT_TRUE(coloured) << "the colour layer";
}

TEST(Pencil6, TransparencyAmongTheFirstPixelsIsKept)
{
    std::vector<uint32_t> px = AllPixels(DrawingFixture(60, 40));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 10; ++x)
            px[size_t(y * 60 + x)] = 0;
    const std::vector<uint32_t> out = Sketch(test::ImageFromPixels(60, 40, px));
    for (int y = 0; y < 40; ++y) {
        ASSERT_EQ(out[size_t(y * 60 + 3)], 0u);
        ASSERT_EQ(out[size_t(y * 60 + 30)] >> 24, 255u);
    }
    // Transparency that starts after the first 2001 pixels is drawn on white.
    std::vector<uint32_t> late = AllPixels(DrawingFixture(60, 40));
    std::fill(late.end() - 60, late.end(), 0u);
    const std::vector<uint32_t> white = Sketch(test::ImageFromPixels(60, 40, late));
    EXPECT_EQ(white.back(), 0xFFFFFFFFu);
}

uint32_t gTick = 0;
uint32_t SlowTick() { return gTick += 250; } // every step finds the last display long ago

TEST(Pencil6, IntermediatePicturesNeverReportFinished)
{
    test::FakeHost host;
    SetTickSource(&SlowTick);
    Sketch(DrawingFixture(40, 30)); // 1200 / 40000 x 700 + 1 = 22 steps in a full render
    test::DrainEvents();
    SetTickSource(nullptr);
    ASSERT_GE(host.progress.size(), 10u);
    EXPECT_EQ(std::count(host.progress.begin(), host.progress.end(), 101), 1) << "only the end says 101";
    EXPECT_EQ(*std::max_element(host.progress.begin(), host.progress.end()), 101);
    EXPECT_EQ(std::count(host.progress.begin(), host.progress.end(), 100), 1) << "the last step shows 100";
}

TEST(Pencil6, TinyPicturesAndScriptValues)
{
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{1, 1000}})
        for (const uint32_t p : Sketch(SolidImage(w, h, 0xFF202020u)))
            ASSERT_EQ(p, 0xFFFFFFFFu) << "white paper";
    const ISkImage source = DrawingFixture(30, 20);
    for (const int v : {INT_MIN, -5, INT_MAX})
        EXPECT_TRUE(AllValidPremultiplied(Sketch(source, v, v, v, v, v))) << v;
    EXPECT_TRUE(AllValidPremultiplied(Sketch(source, 10, 40, -5, 0, 30, true))) << "a preview of one step";
}

} // namespace
} // namespace pv
