#include "effects/painting/gouache/GouacheRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace pv {
namespace {

// A run over a picture drawn as text: '#' painted, '.' a gap, 't' a
// transparent (unpainted) source pixel. Painted pixels get Work red
// 10 x + 40 y, Flat blue 3 x + y and height 100 x; sources are opaque grey 90.
struct GapFixture {
    std::vector<uint32_t> src;
    GouacheRun run;

    GapFixture(const std::vector<std::string>& rows, int g, bool heights)
    {
        const int w = int(rows[0].size()), h = int(rows.size());
        run.allocate(w, h);
        src.assign(run.count(), 0xFF5A5A5Au);
        run.src = src.data();
        run.p.g = g;
        run.MergeQueue.assign(size_t(8 * g * g), 0);
        if (heights)
            run.Hgt = LargeBuffer<uint16_t>(run.count());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y * w + x);
                const char c = rows[size_t(y)][size_t(x)];
                if (c == 't')
                    src[i] = 0;
                if (c != '#') {
                    run.Work[i] = run.Flat[i] = 0xFFFFFFFFu;
                    continue;
                }
                run.Coverage[i] = 1;
                run.Work[i] = 0xFF000000u | uint32_t(10 * x + 40 * y) << 16;
                run.Flat[i] = 0xFF000000u | uint32_t(3 * x + y);
                if (heights)
                    run.Hgt[i] = 100 * x;
            }
    }
    size_t at(int x, int y) const { return size_t(y * run.w + x); }
    uint32_t red(int x, int y) const { return (run.Work[at(x, y)] >> 16) & 0xFF; }
    uint32_t flatBlue(int x, int y) const { return run.Flat[at(x, y)] & 0xFF; }
};

TEST(GouacheGaps, EnclosedGapIsAveragedInwardFromItsBorder)
{
    GapFixture f({"#####", //
                  "#...#", //
                  "#...#", //
                  "#...#", //
                  "#####"},
                 6, true);
    FillGouacheGaps(f.run);
    // Border gap pixels: the mean of their painted neighbours only.
    EXPECT_EQ(f.red(1, 1), 25u) << "left 40 and up 10";
    EXPECT_EQ(f.flatBlue(1, 1), 2u) << "left 1 and up 3";
    EXPECT_EQ(f.run.Hgt[f.at(1, 1)], 50);
    EXPECT_EQ(f.red(2, 1), 20u) << "up only";
    EXPECT_EQ(f.red(1, 2), 80u);
    EXPECT_EQ(f.red(3, 2), 120u);
    EXPECT_EQ(f.red(2, 3), 180u);
    // The inner pixel: the mean of its already filled neighbours.
    EXPECT_EQ(f.red(2, 2), 100u) << "(80 + 120 + 20 + 180) / 4";
    EXPECT_EQ(f.run.Hgt[f.at(2, 2)], 200) << "(0 + 400 + 200 + 200) / 4";
    for (size_t i = 0; i < f.run.count(); ++i) {
        EXPECT_EQ(f.run.Coverage[i], 1) << i;
        EXPECT_EQ(f.run.Work[i] >> 24, 255u) << i;
    }
}

TEST(GouacheGaps, RegionsAboveTheMergeLimitAreFilledFlat)
{
    // g = 6: regions of up to 8 g^2 = 288 pixels are merged from their border.
    for (int k : {288, 289}) {
        std::string gapRow = std::string(size_t(k), '.') + std::string(size_t(300 - k), '#');
        GapFixture f({std::string(300, '#'), gapRow}, 6, false);
        for (int x = 0; x < k; ++x)
            f.src[f.at(x, 1)] = 0xFF0A141Eu;
        for (size_t i = 0; i < f.run.count(); ++i)
            if (f.run.Coverage[i] == 1)
                f.run.Work[i] = 0xFF4D4D4Du;
        FillGouacheGaps(f.run);
        const uint32_t expected = k == 288 ? 0xFF4D4D4Du : 0xFF0A141Eu;
        for (int x = 0; x < k; ++x) {
            ASSERT_EQ(f.run.Work[f.at(x, 1)], expected) << k << " at " << x;
            ASSERT_EQ(f.run.Coverage[f.at(x, 1)], 1) << k << " at " << x;
        }
        if (k == 289) {
            EXPECT_EQ(f.run.Flat[f.at(0, 1)], 0xFF0A141Eu);
        }
    }
}

TEST(GouacheGaps, RegionWithoutPaintTakesItsMeanSourceColourAndSkipsTransparentPixels)
{
    GapFixture f({"...", //
                  "..t"},
                 6, true);
    const uint32_t reds[] = {10, 20, 30, 40, 50};
    for (size_t i = 0; i < 5; ++i)
        f.src[i] = 0xFF000000u | reds[i] << 16 | 0x0102u;
    FillGouacheGaps(f.run);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(f.run.Work[i], 0xFF1E0102u) << "mean red 30";
        EXPECT_EQ(f.run.Flat[i], 0xFF1E0102u);
        EXPECT_EQ(f.run.Coverage[i], 1);
    }
    EXPECT_EQ(f.run.Coverage[5], 0) << "a transparent source pixel stays unpainted";
    EXPECT_EQ(f.run.Work[5], 0xFFFFFFFFu);
}

TEST(GouacheGaps, MergeRefusesRegionsItCannotHold)
{
    GapFixture f({"#..", //
                  "###"},
                 1, false); // a queue of 8 entries
    f.run.Coverage[1] = f.run.Coverage[2] = 3;
    f.run.BlobPix = {1, 2};
    EXPECT_FALSE(MergeSmallUncoveredRegion(f.run, 0));
    EXPECT_FALSE(MergeSmallUncoveredRegion(f.run, 9));
    EXPECT_TRUE(MergeSmallUncoveredRegion(f.run, 2));
    EXPECT_EQ(f.run.Coverage[1], 1);
    EXPECT_EQ(f.run.Coverage[2], 1);
}

// The smoothing works in place band by band: across band edges, at the
// picture's border and on a single row or column it gives the plain 3 x 3 mean.
TEST(GouacheSmoothing, InPlaceMeanMatchesThePlainMeanAcrossBands)
{
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{7, 150}, {1, 70}, {130, 1}, {3, 64}, {5, 65}}) {
        LargeBuffer<int32_t> map(size_t(w) * size_t(h));
        LargeBuffer<uint16_t> narrow(map.size());
        for (size_t i = 0; i < map.size(); ++i) {
            map[i] = int32_t((i * 2654435761u) % 100000u);
            narrow[i] = uint16_t(map[i] % 1531);
        }
        std::vector<int32_t> expect(map.size()), expectNarrow(map.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0, sumNarrow = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const size_t j = size_t(std::clamp(y + dy, 0, h - 1) * w + std::clamp(x + dx, 0, w - 1));
                        sum += map[j];
                        sumNarrow += narrow[j];
                    }
                expect[size_t(y * w + x)] = sum / 9;
                expectNarrow[size_t(y * w + x)] = sumNarrow / 9;
            }
        SmoothGouacheMap(map, w, h);
        SmoothGouacheMap(narrow, w, h);
        for (size_t i = 0; i < map.size(); ++i) {
            ASSERT_EQ(map[i], expect[i]) << w << " x " << h << " at " << i;
            ASSERT_EQ(narrow[i], expectNarrow[i]) << w << " x " << h << " at " << i;
        }
    }
}

TEST(GouacheDumps, SeedListAndGreymapFormats)
{
    GouacheRun run;
    run.allocate(4, 2);
    run.keys = {PackGouacheKey(5, 6), PackGouacheKey(9, 1), PackGouacheKey(9, 5)};
    run.seedCapacity = 2;
    // Highest score first; among equal scores the larger row first.
    EXPECT_EQ(GouacheSeedListText(run, 3), "3 1 1 9\r\n3 1 0 9\r\n");
    run.seedCapacity = 0;
    EXPECT_EQ(GouacheSeedListText(run, 0), "");

    // Columns and rows far beyond 20 bits are written as they are.
    GouacheRun wide;
    wide.allocate(2000000, 1);
    wide.keys = {PackGouacheKey(12530, 1999999)};
    wide.seedCapacity = 1;
    EXPECT_EQ(GouacheSeedListText(wide, 7), "7 1999999 0 12530\r\n");

    GouacheRun grey;
    grey.allocate(2, 2);
    for (uint8_t c = 0; c < 4; ++c)
        grey.Coverage[c] = c;
    EXPECT_EQ(GouacheCoverageGreymap(grey), std::string("P5\n2 2\n255\n\x00\xff\xfe\xfd", 15));
}

TEST(GouacheDumps, KeysOrderByScoreThenRowThenColumn)
{
    const int w = 1000;
    std::vector<uint64_t> keys = {PackGouacheKey(8000, 2 * w + 5), PackGouacheKey(7999, 999 * w + 999),
                                  PackGouacheKey(8000, 1 * w + 900), PackGouacheKey(8000, 2 * w + 4)};
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(GouacheKeyIndex(keys[0]), 999 * w + 999);
    EXPECT_EQ(GouacheKeyIndex(keys[1]), 1 * w + 900);
    EXPECT_EQ(GouacheKeyIndex(keys[3]), 2 * w + 5);
    EXPECT_EQ(GouacheKeyScore(keys[3]), 8000);
}

} // namespace
} // namespace pv
