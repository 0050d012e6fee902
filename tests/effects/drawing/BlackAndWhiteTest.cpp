#include "FakeHost.h"

#include "effects/drawing/BlackAndWhite.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <gtest/gtest.h>

#include <climits>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;

ISkSurface Ink(const ISkImage& source, int P1, int P2, int P3, int P4, bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    PreviewScope scope(preview, ThreadPreviewGeneration); // the dispatcher sets the flag for the thread
    ProcessEffectOnSurface(source, dest, 200, P1, P2, P3, P4, 0, preview);
    return dest;
}

// A photograph-like test picture: gradients, a dark bar and a few specks.
ISkImage Scene(int w, int h)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t g = uint32_t(40 + (x * 180) / std::max(1, w - 1));
            if (x >= w / 3 && x < w / 3 + 3)
                g = 20;
            if ((x * 7 + y * 13) % 29 == 0)
                g = 255 - g;
            pixels.push_back(0xFF000000u | g << 16 | ((g * 3 / 4) << 8) | (g / 2));
        }
    return ImageFromPixels(w, h, pixels);
}

int CountBlack(const ISkSurface& s)
{
    int n = 0;
    for (const uint32_t p : AllPixels(s->makeImageSnapshot()))
        n += p == 0xFF000000u;
    return n;
}

TEST(BlackAndWhiteInk, DerivedValues)
{
    const InkValues d = BlackAndWhiteInkValues(50, 50, 0, 0);
    EXPECT_EQ(d.Detail, 128);     // 127.5 rounds to even
    EXPECT_EQ(d.Darkness, 128);
    EXPECT_EQ(d.EdgeLimit, 565);
    EXPECT_EQ(d.MeanOffset, -100); // P4 without a slider gives 0
    EXPECT_FALSE(d.Simplification);

    const InkValues full = BlackAndWhiteInkValues(50, 50, 100, 50);
    EXPECT_EQ(full.Simplify, 255);
    EXPECT_EQ(full.TurnBlackAt, 40800); // white needs more than 91 % of 44625 to stay
    EXPECT_EQ(full.TurnWhiteAt, 0);     // every black pixel turns white
    EXPECT_EQ(full.MeanOffset, 0);

    // Script values anywhere in the integer range stay exact.
    const InkValues big = BlackAndWhiteInkValues(INT_MAX, INT_MIN, INT_MAX, INT_MIN);
    EXPECT_EQ(big.Detail, 5476083300LL);
    EXPECT_EQ(big.MeanOffset, 2 * (int64_t(INT_MIN) - 50));
    EXPECT_GT(big.TurnBlackAt, 0);

    EXPECT_EQ(InkSimplifyIterations(false), 15);
    EXPECT_EQ(InkSimplifyIterations(true), 3);
    // N = (2000 - 100) div 20 = 95; T = (95 + 120 + 192 - 128) div 6 = 46.
    EXPECT_EQ(InkFillThreshold(2000, 100, 120, 128), 46);
    EXPECT_EQ(InkFillThreshold(0, 0, -1000, 0), -134); // truncates toward zero
}

TEST(BlackAndWhiteInk, GlobalMeanSamplesAtMostFiftyRows)
{
    // 100 rows: rows 0, 2, ..., 98 are sampled; odd rows (grey 200) never are.
    std::vector<uint8_t> grey(3 * 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 3; ++x)
            grey[size_t(y * 3 + x)] = y % 2 ? 200 : uint8_t(x * 10);
    EXPECT_EQ(InkGlobalMean(grey.data(), 3, 100), 10);
    // Fewer than 50 rows: every row counts.
    EXPECT_EQ(InkGlobalMean(grey.data(), 3, 2), (0 + 10 + 20 + 3 * 200) / 6);
}

TEST(BlackAndWhiteInk, PureBlackAndWhiteAndTransparentStaysEmpty)
{
    std::vector<uint32_t> pixels = AllPixels(Scene(24, 18));
    for (int y = 0; y < 18; ++y) {
        pixels[size_t(y * 24 + 20)] = 0x00000000u; // transparent column
        pixels[size_t(y * 24 + 21)] = 0x09090909u; // alpha below 10 counts as transparent
        pixels[size_t(y * 24 + 22)] = 0x40404040u; // translucent white becomes opaque ink or paper
    }
    const ISkImage source = ImageFromPixels(24, 18, pixels);
    for (const int P3 : {0, 40}) {
        const std::vector<uint32_t> out = AllPixels(Ink(source, 50, 50, P3, 0)->makeImageSnapshot());
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 24; ++x) {
                const uint32_t p = out[size_t(y * 24 + x)];
                if (x == 20 || x == 21)
                    EXPECT_EQ(p, 0u) << "a transparent pixel carries no colour: " << x << "," << y;
                else
                    EXPECT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu) << std::hex << p;
            }
    }
}

TEST(BlackAndWhiteInk, DarkLinesGetInkAndLightAreasStayPaper)
{
    // Light grey with one dark vertical line.
    std::vector<uint32_t> pixels(size_t(30 * 20), 0xFFD0D0D0u);
    for (int y = 0; y < 20; ++y)
        pixels[size_t(y * 30 + 15)] = 0xFF202020u;
    const ISkSurface out = Ink(ImageFromPixels(30, 20, pixels), 50, 50, 0, 50);
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(test::PixelAt(out, 15, y), 0xFF000000u) << y;
        EXPECT_EQ(test::PixelAt(out, 3, y), 0xFFFFFFFFu) << y;
        EXPECT_EQ(test::PixelAt(out, 26, y), 0xFFFFFFFFu) << y;
    }
}

TEST(BlackAndWhiteInk, SimplificationRemovesSpecks)
{
    // White paper with isolated dark specks: passes 1 and 2 ink them, the
    // clean-up turns them back to paper.
    std::vector<uint32_t> pixels(size_t(40 * 40), 0xFFFFFFFFu);
    for (const auto& [x, y] : {std::pair{8, 8}, {30, 12}, {20, 30}})
        pixels[size_t(y * 40 + x)] = 0xFF000000u;
    const ISkImage source = ImageFromPixels(40, 40, pixels);
    EXPECT_GT(CountBlack(Ink(source, 50, 50, 0, 50)), 0);
    EXPECT_EQ(CountBlack(Ink(source, 50, 50, 50, 50)), 0);
    EXPECT_EQ(CountBlack(Ink(source, 50, 50, 50, 50, true)), 0);
}

// The whole run written plainly, pixel by pixel, for pictures without transparency.
std::vector<uint32_t> ReferenceInk(const std::vector<uint32_t>& src, int w, int h, int P1, int P2, int P3, int P4,
                                   bool preview)
{
    auto clampX = [&](int x) { return std::clamp(x, 0, w - 1); };
    auto clampY = [&](int y) { return std::clamp(y, 0, h - 1); };
    auto luma = [&](int x, int y) {
        const uint32_t p = src[size_t(clampY(y) * w + clampX(x))];
        return int((299 * ((p >> 16) & 0xFF) + 587 * ((p >> 8) & 0xFF) + 114 * (p & 0xFF)) / 1000);
    };
    std::vector<int> g3(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += luma(x + dx, y + dy);
            g3[size_t(y * w + x)] = sum / 9;
        }
    auto G = [&](int x, int y) { return g3[size_t(clampY(y) * w + clampX(x))]; };
    int64_t msum = 0, mcount = 0;
    for (int k = 0; k <= std::min(49, h - 1); ++k)
        for (int x = 0; x < w; ++x, ++mcount)
            msum += G(x, std::min(h - 1, k * std::max(1, h / 50)));
    const int64_t Tm = msum / mcount + 2 * (P4 - 50);
    const int64_t L = Round64(P1 * 255 / 100.0), Dk = Round64(P2 * 255 / 100.0), S = Round64(P3 * 255 / 100.0);
    std::vector<int> out(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int64_t s81 = 0, s25 = 0;
            for (int dy = -4; dy <= 4; ++dy)
                for (int dx = -4; dx <= 4; ++dx) {
                    s81 += G(x + dx, y + dy);
                    if (std::abs(dx) <= 2 && std::abs(dy) <= 2)
                        s25 += G(x + dx, y + dy);
                }
            const int c = G(x, y);
            const int64_t T = ((s81 - c) / 20 + Tm + 192 - L) / 6;
            int v = T < c ? 255 : 0;
            if (3 * (31 * c - s25 - 4 * G(x, y + 2)) < 5 * (Dk - 15))
                v = 0;
            out[size_t(y * w + x)] = v;
        }
    if (P3 > 0) {
        const int iterations = preview ? 3 : 15;
        for (int k = 1; k <= iterations; ++k) {
            const std::vector<int> snap = out;
            int changed = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int64_t ws = 0;
                    for (int dy = -3; dy <= 3; ++dy)
                        for (int dx = -3; dx <= 3; ++dx)
                            ws += (7 - std::abs(dx) - std::abs(dy)) * snap[size_t(clampY(y + dy) * w + clampX(x + dx))];
                    int& o = out[size_t(y * w + x)];
                    if (snap[size_t(y * w + x)] > 128 && ws <= 160 * S)
                        o = 0, ++changed;
                    else if (snap[size_t(y * w + x)] <= 128 && ws >= 160 * (255 - S))
                        o = 255, ++changed;
                }
            if (changed <= 10)
                break;
        }
        if (!preview)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int black = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            black += out[size_t(clampY(y + dy) * w + clampX(x + dx))] < 128;
                    out[size_t(y * w + x)] = black < 5 ? 255 : 0;
                }
    }
    std::vector<uint32_t> pixels;
    for (const int v : out)
        pixels.push_back(v ? 0xFFFFFFFFu : 0xFF000000u);
    return pixels;
}

TEST(BlackAndWhiteInk, MatchesTheRunWrittenPlainly)
{
    const int w = 37, h = 29;
    const std::vector<uint32_t> src = AllPixels(Scene(w, h));
    struct Case {
        int P1, P2, P3, P4;
        bool preview;
    };
    for (const Case& c : {Case{50, 50, 0, 0, false}, Case{70, 30, 0, 50, false}, Case{50, 50, 30, 50, false},
                          Case{50, 60, 70, 20, false}, Case{50, 50, 45, 50, true}}) {
        const std::vector<uint32_t> got = AllPixels(Ink(ImageFromPixels(w, h, src), c.P1, c.P2, c.P3, c.P4,
                                                        c.preview)->makeImageSnapshot());
        EXPECT_EQ(got, ReferenceInk(src, w, h, c.P1, c.P2, c.P3, c.P4, c.preview))
            << c.P1 << " " << c.P2 << " " << c.P3 << " " << c.P4;
    }
}

TEST(BlackAndWhiteInk, OneRowAndOneColumn)
{
    for (const auto& [w, h] : {std::pair{1, 9}, {9, 1}, {1, 1}}) {
        const ISkSurface out = Ink(Scene(w, h), 50, 50, 60, 0);
        for (const uint32_t p : AllPixels(out->makeImageSnapshot()))
            EXPECT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu) << w << "x" << h;
    }
}

uint32_t gTick = 0;
uint32_t AdvancingTick() { return gTick += 100; } // every report passes the throttle

TEST(BlackAndWhiteInk, ReportsProgressInOrderAndFinishes)
{
    test::FakeHost host;
    SetTickSource(&AdvancingTick);
    LastProgressTick = 0;
    Ink(Scene(16, 40), 50, 50, 30, 0);
    test::DrainEvents();
    SetTickSource(nullptr);
    ASSERT_GE(host.progress.size(), 4u);
    EXPECT_EQ(host.progress.front(), 0);
    EXPECT_TRUE(std::is_sorted(host.progress.begin(), host.progress.end()));
    EXPECT_NE(std::find(host.progress.begin(), host.progress.end(), 30), host.progress.end());
    EXPECT_EQ(host.progress[host.progress.size() - 2], 100);
    EXPECT_EQ(host.progress.back(), 101);
}

TEST(BlackAndWhiteInk, CancelledRunLeavesTheDestinationUntouched)
{
    test::FakeHost host;
    host.Cancel = true;
    const ISkImage source = Scene(16, 16);
    const ISkSurface dest = SkSurface::MakeRaster(16, 16);
    EXPECT_THROW(ProcessEffectOnSurface(source, dest, 200, 50, 50, 0, 0, 0, false), EAbort);
    for (const uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
    test::DrainEvents();

    // A stale preview stops too, whatever the cancel flag says.
    host.Cancel = false;
    host.FPreviewGeneration = 5;
    PreviewScope scope(true, 4);
    EXPECT_THROW(ProcessEffectOnSurface(source, dest, 200, 50, 50, 0, 0, 0, true), EAbort);
    test::DrainEvents();
}

} // namespace
} // namespace pv
