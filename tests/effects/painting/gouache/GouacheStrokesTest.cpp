#include "effects/painting/gouache/GouacheRun.h"

#include "engine/ImageHelpers.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace pv {
namespace {

TEST(GouacheStrokes, SpecksOfFewerThanTenTexelsNeverPrint)
{
    // A 3 x 3 block (9 texels), a diagonal of 10 (joined through corners) and
    // a 2 x 5 block (10).
    const int w = 24, h = 10;
    std::vector<uint8_t> mask(size_t(w * h), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            mask[size_t(y * w + x)] = 200;
    for (int k = 0; k < 10; ++k)
        mask[size_t(k * w + 6 + k)] = 90;
    for (int y = 0; y < 5; ++y)
        for (int x = 20; x < 22; ++x)
            mask[size_t(y * w + x)] = 255;
    std::vector<uint8_t> expected = mask;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            expected[size_t(y * w + x)] = 0;
    RemoveBrushSpecks(mask, w, h);
    EXPECT_EQ(mask, expected);

    std::vector<uint8_t> shortMask(5, 255);
    RemoveBrushSpecks(shortMask, w, h);
    EXPECT_EQ(shortMask, std::vector<uint8_t>(5, 255)) << "a mask smaller than its size is left alone";
}

TEST(GouacheStrokes, ReliefShadesOnlyTheInteriorAndSaturates)
{
    GouacheRun run;
    run.allocate(4, 4);
    run.p = ComputeGouacheParams(70, 25, 25, 50, 30, 4, 4, 4, 4);
    run.Hgt = LargeBuffer<uint16_t>(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            run.Work[size_t(y * 4 + x)] = 0xFF808080u;
            run.Hgt[size_t(y * 4 + x)] = x + y >= 4 ? 3000 : 0;
        }
    ApplyGouacheRelief(run);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool interior = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            if (!interior) {
                EXPECT_EQ(run.Work[size_t(y * 4 + x)], 0xFF808080u) << x << "," << y;
            }
        }
    // Rising toward the lower right: lightened by the largest offset, 52.
    EXPECT_EQ(run.Work[5], 0xFFB4B4B4u);
    EXPECT_EQ(run.Hgt[10], 2000) << "the smoothed heights are kept";
}

// A painting whose left half is one painted blob and whose right half is
// unpainted white; strokes are dragged across the blob.
struct StrokeFixture {
    std::vector<uint32_t> src;
    GouacheRun run;
    int n = 0;
    static constexpr uint32_t kColour = 0xFF806040u;

    explicit StrokeFixture(int w = 60, int h = 40)
    {
        run.allocate(w, h);
        src.assign(run.count(), kColour);
        run.src = src.data();
        run.p = ComputeGouacheParams(70, 80, 25, 100, 30, w, h, w, h);
        LoadBrushMask(nullptr, run.BrAlpha, run.BrW, run.BrH, QString());
        run.Hgt = LargeBuffer<uint16_t>(run.count());
        BuildGouacheOrientation(run);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y * w + x);
                if (x < w / 2) {
                    run.Work[i] = run.Flat[i] = kColour;
                    run.Coverage[i] = 1;
                    run.BlobPix.push_back(int32_t(i));
                    ++n;
                } else {
                    run.Work[i] = run.Flat[i] = 0xFFFFFFFFu;
                }
                run.Hgt[i] = 2990;
            }
        run.QMaxR = 20;
    }
};

TEST(GouacheStrokes, StrokesStayOnTheirPaintAndHeightsSaturate)
{
    StrokeFixture f;
    SetRandSeed(99);
    PaintGouacheStrokes(f.run, f.n, StrokeFixture::kColour);
    f.run.printing.wait();
    bool textured = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const size_t i = size_t(y * 60 + x);
            if (x >= 30)
                ASSERT_EQ(f.run.Work[i], 0xFFFFFFFFu) << "unpainted pixels never take paint";
            else
                textured |= f.run.Work[i] != StrokeFixture::kColour;
            ASSERT_LE(f.run.Hgt[i], 3000);
            ASSERT_EQ(f.run.Work[i] >> 24, 255u);
        }
    EXPECT_TRUE(textured);
    EXPECT_EQ(*std::max_element(f.run.Hgt.data(), f.run.Hgt.data() + f.run.count()), 3000);
}

TEST(GouacheStrokes, StrokesAreTheSameOnAnyPoolSize)
{
    auto paint = [](int workers) {
        SetGouachePoolWorkers(workers);
        std::vector<uint32_t> work;
        {
            StrokeFixture f(400, 300); // many long strokes: printed in parallel
            f.run.QMaxR = 150;
            SetRandSeed(5);
            PaintGouacheStrokes(f.run, f.n, StrokeFixture::kColour);
            f.run.printing.wait();
            work.assign(f.run.Work, f.run.Work + f.run.count());
        }
        SetGouachePoolWorkers(0);
        return work;
    };
    EXPECT_EQ(paint(1), paint(8));
}

} // namespace
} // namespace pv
