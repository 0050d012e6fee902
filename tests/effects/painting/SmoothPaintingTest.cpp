#include "engine/FakeHost.h"
#include "PaintingPictures.h"

#include "effects/painting/SmoothPainting.h"
#include "engine/Repository.h"
#include "platform/system/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::DrainEvents;
using test::FakeHost;
using test::ImageFromPixels;
using test::SolidImage;
using test::Landscape;

ISkImage Atlas() { return test::BrushAtlas(); }
SkPixmap Map(const ISkImage& image) { return test::PixelsOf(image); }

ISkSurface Paint(const ISkImage& source, int P1, int P2, bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    TemplateMatching(source, dest, P1, P2, 0, 0, 0, preview);
    return dest;
}

SkPixmap Map(const ISkSurface& surface)
{
    SkPixmap pm;
    surface->peekPixels(pm);
    return pm;
}

TEST(TemplateMatching, DerivedSizesAndCounts)
{
    struct Case {
        int P1, P2, size, half, step, passes;
    };
    const Case cases[] = {
        {35, 0, 17, 8, 1, 1},   // defaults
        {100, 100, 50, 25, 5, 5}, {0, 39, 8, 4, 1, 1}, {17, 40, 8, 4, 1, 2},
        {18, 59, 9, 4, 1, 2},   {60, 60, 30, 15, 3, 3}, {99, 80, 49, 24, 4, 4},
        {-40, -5, 8, 4, 1, 1},  {100000, 100000, 50, 25, 5, 5},
    };
    for (const Case& c : cases) {
        const TemplateMatchingParams p = ComputeTemplateMatchingParams(c.P1, c.P2);
        EXPECT_EQ(p.BrushSize, c.size) << c.P1;
        EXPECT_EQ(p.HalfSize, c.half) << c.P1;
        EXPECT_EQ(p.GridStep, c.step) << c.P1;
        EXPECT_EQ(p.Passes, c.passes) << c.P2;
        EXPECT_EQ(p.TotalWork, 430.0 * c.passes);
    }
}

TEST(TemplateMatching, WorstFivePercentOfStrokesAreDropped)
{
    const std::pair<int64_t, int64_t> cases[] = {{0, 0}, {1, 1}, {10, 9}, {20, 19}, {30, 28}, {100, 95}};
    for (const auto& [count, kept] : cases)
        EXPECT_EQ(TemplateMatchingKeptStrokes(count), kept) << count;
}

TEST(TemplateMatching, SevenOrientedStampsAtTheDefaultSize)
{
    const ISkImage atlas = Atlas();
    ASSERT_TRUE(atlas);
    ASSERT_EQ(atlas->width(), 1250);
    for (int cell : {26, 36}) {
        const OrientedStamps s = BuildOrientedStamps(atlas, cell, 17);
        EXPECT_EQ(s.HalfSize, 8);
        ASSERT_EQ(s.Images.size(), 7u);
        ASSERT_EQ(s.BrushOffsets.size(), 7u);
        for (size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(s.Images[i]->width(), 17);
            ASSERT_FALSE(s.BrushOffsets[i].empty());
            for (const TBrushPixelOffset& o : s.BrushOffsets[i]) {
                EXPECT_TRUE(o.dX >= -8 && o.dX <= 8 && o.dY >= -8 && o.dY <= 8);
                EXPECT_GE(o.Alpha, 10);
            }
        }
        EXPECT_NE(AllPixels(s.Images[0]), AllPixels(s.Images[3])) << "orientations differ";
    }
}

TEST(TemplateMatching, UniformPictureTakesTheFirstOrientationWithoutError)
{
    const int w = 40, h = 30;
    const ISkImage flat = SolidImage(w, h, 0xFF336699u);
    const OrientedStamps stamps = BuildOrientedStamps(Atlas(), 26, 17);
    const std::vector<uint8_t> contrast = BuildContrastMap(Map(flat));
    EXPECT_EQ(std::count(contrast.begin(), contrast.end(), 0), w * h);
    std::vector<TMatch> table(size_t(w * h));
    MatchPixels(Map(flat), stamps, contrast, 1, table.data());
    for (int y = 8; y < h - 8; ++y)
        for (int x = 8; x < w - 8; ++x) {
            const TMatch& m = table[size_t(y * w + x)];
            EXPECT_EQ(m.Score, 0);
            EXPECT_EQ(m.BrushAngle, 0);
            EXPECT_EQ(MakeColor(255, m.R, m.G, m.B), 0xFF336699u);
        }
    // Near the border the missing stamp pixels count against a candidate.
    EXPECT_GT(table[0].Score, 0);
    EXPECT_LT(table[0].Score, kNoMatch);
}

TEST(TemplateMatching, TransparentPixelsTakeNoMatch)
{
    std::vector<uint32_t> px(12 * 12, 0xFF808080u);
    px[5 * 12 + 5] = 0x09090909u; // alpha 9
    const ISkImage image = ImageFromPixels(12, 12, px);
    std::vector<TMatch> table(px.size());
    MatchPixels(Map(image), BuildOrientedStamps(Atlas(), 36, 8), BuildContrastMap(Map(image)), 3, table.data());
    EXPECT_EQ(table[5 * 12 + 5].Score, kNoMatch);
    EXPECT_LT(table[5 * 12 + 6].Score, kNoMatch);
}

// The selection as described: every window scanned row by row for the lowest
// score, the pixel taken out once chosen.
std::vector<uint64_t> ScanWindows(std::vector<TMatch> table, int w, int h, int H, int step)
{
    std::vector<uint64_t> keys;
    for (int gy = -(H / step); gy <= (h + H) / step; ++gy)
        for (int gx = -(H / step); gx <= (w + H) / step; ++gx) {
            int32_t best = kNoMatch;
            int bi = -1;
            for (int y = std::max(0, gy * step - H); y <= std::min(h - 1, gy * step + H); ++y)
                for (int x = std::max(0, gx * step - H); x <= std::min(w - 1, gx * step + H); ++x)
                    if (table[size_t(y * w + x)].Score < best) {
                        best = table[size_t(y * w + x)].Score;
                        bi = y * w + x;
                    }
            if (bi < 0)
                continue;
            keys.push_back((uint64_t(uint32_t(best)) << 32) | uint64_t(bi));
            table[size_t(bi)].Score = kNoMatch;
        }
    return keys;
}

TEST(TemplateMatching, StrokeSelectionTakesEachWindowsFirstLowestScore)
{
    const int w = 37, h = 23;
    std::mt19937 rng(7);
    std::vector<TMatch> table(size_t(w * h));
    for (TMatch& m : table)
        m = {rng() % 9 == 0 ? kNoMatch : int32_t(rng() % 6), 0, 0, 0, 0}; // many ties
    const std::pair<int, int> cases[] = {{1, 1}, {4, 1}, {8, 1}, {6, 2}, {25, 5}, {4, 9}};
    for (const auto& [H, step] : cases) {
        std::vector<TMatch> work = table;
        EXPECT_EQ(SelectStrokeKeys(work.data(), w, h, H, step), ScanWindows(table, w, h, H, step))
            << "H " << H << " step " << step;
    }
    std::vector<TMatch> work = table;
    const std::vector<uint32_t> sorted = SelectStrokes(work.data(), w, h, 8, 1);
    const int valid = int(std::count_if(table.begin(), table.end(), [](const TMatch& m) { return m.Score < kNoMatch; }));
    ASSERT_EQ(int(sorted.size()), valid) << "step 1 takes every pixel with a match exactly once";
    for (size_t i = 1; i < sorted.size(); ++i)
        EXPECT_GE(table[sorted[i - 1]].Score, table[sorted[i]].Score) << "worst first";
}

TEST(TemplateMatching, StrokesDrawExactlyAsTheCanvasDrawsThemInOrder)
{
    const int w = 150, h = 90; // several tiles
    const OrientedStamps stamps = BuildOrientedStamps(Atlas(), 36, 17);
    std::mt19937 rng(11);
    std::vector<TMatch> table(size_t(w * h));
    for (TMatch& m : table)
        m = {0, uint8_t(rng() % 7), uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    std::vector<uint32_t> strokes(3000);
    for (uint32_t& s : strokes)
        s = uint32_t(rng() % uint32_t(w * h));

    std::vector<uint32_t> background(size_t(w * h));
    for (uint32_t& p : background)
        p = rng() % 3 == 0 ? 0u : 0xFF000000u | (rng() & 0xFFFFFF);
    const ISkSurface expected = SkSurface::MakeRaster(w, h);
    expected->getCanvas()->drawImage(ImageFromPixels(w, h, background), 0, 0);
    for (const uint32_t s : strokes) {
        const TMatch& m = table[s];
        SkPaint paint;
        paint.setAntiAlias(true);
        paint.setColorFilter(SkColorFilters::Blend(MakeColor(255, m.R, m.G, m.B), SkBlendMode::kModulate));
        expected->getCanvas()->drawImage(stamps.Images[m.BrushAngle], float(int(s) % w - 8), float(int(s) / w - 8),
                                         SkSamplingOptions::LinearMipmapNearest(), &paint);
    }
    expected->getCanvas()->flush();

    // From the table, and from the strokes' own copies of their matches with
    // no table at all.
    std::vector<TStrokeMatch> own;
    for (const uint32_t s : strokes)
        own.push_back({table[s].BrushAngle, table[s].R, table[s].G, table[s].B});
    StrokeDrawing fromCopies{&stamps, nullptr, w, h};
    fromCopies.strokeMatches = own.data();
    for (const StrokeDrawing& drawing : {StrokeDrawing{&stamps, table.data(), w, h}, fromCopies}) {
        const ISkSurface actual = SkSurface::MakeRaster(w, h);
        actual->getCanvas()->drawImage(ImageFromPixels(w, h, background), 0, 0);
        actual->getCanvas()->flush();
        int bands = 0;
        DrawStrokes(drawing, strokes.data(), strokes.size(), Map(actual), [&](double) {
            ++bands;
            return true;
        });
        EXPECT_EQ(bands, 2);
        EXPECT_EQ(AllPixels(actual->makeImageSnapshot()), AllPixels(expected->makeImageSnapshot()));
    }
}

TEST(TemplateMatching, UncoveredPatchesTakeTheirRegionsMeanColour)
{
    // A strip of 60: grey 50 for the first 26 pixels, grey 100 after; the
    // canvas still white. Regions reach 25 pixels from their seed.
    const int w = 60;
    std::vector<uint32_t> in(w), canvas(w, 0xFFFFFFFFu);
    for (int x = 0; x < w; ++x)
        in[size_t(x)] = x < 26 ? 0xFF323232u : 0xFF646464u;
    canvas[40] = 0xFF646464u; // already painted: not part of any patch
    in[41] = 0x09090909u;     // too transparent: neither filled nor averaged
    const ISkImage input = ImageFromPixels(w, 1, in);
    const ISkSurface surface = SkSurface::MakeRaster(w, 1);
    std::copy(canvas.begin(), canvas.end(), Map(surface).row(0));
    FillWhitePixels(Map(input), Map(surface));
    const std::vector<uint32_t> out = AllPixels(surface->makeImageSnapshot());
    for (int x = 0; x < w; ++x) {
        const uint32_t want = x == 41 ? 0xFFFFFFFFu : (x < 26 ? 0xFF323232u : 0xFF646464u);
        EXPECT_EQ(out[size_t(x)], want) << x;
    }

    // Two colours inside one region mix.
    const ISkImage halves = ImageFromPixels(4, 1, {0xFFFF0000u, 0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu});
    const ISkSurface white = SkSurface::MakeRaster(4, 1);
    white->getCanvas()->clear(kColorWhite);
    white->getCanvas()->flush();
    FillWhitePixels(Map(halves), Map(white));
    EXPECT_EQ(AllPixels(white->makeImageSnapshot()), std::vector<uint32_t>(4, 0xFF7F007Fu));
}

TEST(TemplateMatching, BrightSpecksTakeTheirNeighboursMean)
{
    struct Case {
        int darkNeighbours;
        bool replaced;
    };
    for (const Case c : {Case{8, true}, Case{6, true}, Case{5, false}}) {
        std::vector<uint32_t> px(9, 0xFFF0F0F0u);
        for (int i = 0, n = 0; i < 9 && n < c.darkNeighbours; ++i)
            if (i != 4) {
                px[size_t(i)] = 0xFF202020u;
                ++n;
            }
        const ISkSurface s = SkSurface::MakeRaster(3, 3);
        for (int y = 0; y < 3; ++y)
            std::copy_n(px.begin() + y * 3, 3, Map(s).row(y));
        RemoveBrightSpecks(Map(s));
        const uint32_t mean = c.darkNeighbours == 8 ? 0xFF202020u : 0xFF545454u; // (6 x 32 + 2 x 240) / 8
        EXPECT_EQ(Map(s).at(1, 1), c.replaced ? mean : 0xFFF0F0F0u) << c.darkNeighbours;
    }
}

TEST(TemplateMatching, FullyTransparentPictureStaysTransparent)
{
    const ISkSurface dest = Paint(SolidImage(30, 20, 0), 35, 0);
    for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
}

TEST(TemplateMatching, TinyAndThinPicturesArePaintedInTheirColour)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {1, 30}, {40, 2}, {5, 5}};
    for (const auto& [w, h] : sizes) {
        const ISkSurface dest = Paint(SolidImage(w, h, 0xFF204060u), 35, 0);
        for (uint32_t p : AllPixels(dest->makeImageSnapshot())) {
            ASSERT_EQ(p >> 24, 255u) << w << "x" << h;
            EXPECT_NEAR(int(ColorR(p)), 0x20, 12) << w << "x" << h;
            EXPECT_NEAR(int(ColorB(p)), 0x60, 12) << w << "x" << h;
        }
    }
}

TEST(TemplateMatching, SameDrawingWhateverTheThreadCount)
{
    const ISkImage source = Landscape(130, 90);
    const auto [one, eight] =
        test::OnOneAndEightWorkers([&] { return AllPixels(Paint(source, 35, 40)->makeImageSnapshot()); });
    EXPECT_EQ(one, eight);
    // A painting, not a copy: strokes change the picture but keep its colours.
    const std::vector<uint32_t> src = AllPixels(source);
    int64_t diff = 0, changed = 0;
    for (size_t i = 0; i < src.size(); ++i) {
        const int d = std::abs(int(ColorG(src[i])) - int(ColorG(one[i])));
        diff += d;
        changed += d > 0;
    }
    EXPECT_GT(changed, int64_t(src.size() / 4));
    EXPECT_LT(diff / int64_t(src.size()), 20);
}

TEST(TemplateMatching, CancelBeforeTheStartPaintsAndReportsNothing)
{
    FakeHost host;
    host.Cancel = true;
    const ISkSurface dest = Paint(Landscape(40, 30), 35, 0);
    for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
        ASSERT_EQ(p, 0u);
    EXPECT_TRUE(host.progress.empty());
}

TEST(TemplateMatching, FullRenderReportsProgressAndShowsTheCanvas)
{
    FakeHost host;
    const ISkSurface dest = Paint(Landscape(60, 40), 35, 40);
    ASSERT_GE(host.progress.size(), 3u);
    EXPECT_EQ(host.progress.front(), 0);
    EXPECT_EQ(host.progress.back(), 101);
    EXPECT_TRUE(std::is_sorted(host.progress.begin(), host.progress.end()));
    ASSERT_TRUE(host.FSkImage);
    EXPECT_EQ(AllPixels(host.FSkImage), AllPixels(dest->makeImageSnapshot()));
}

// A clock that counts its readings and can start a newer preview at one of
// them; the window notes how many readings had been taken when the preview
// box was first redrawn.
int gTicks = 0;
int gNewPreviewAt = -1;
std::atomic<int>* gGeneration = nullptr;
uint32_t CountingTick()
{
    if (++gTicks == gNewPreviewAt)
        ++*gGeneration;
    return uint32_t(gTicks) * 1000u; // never throttled
}

class PreviewBoxHost : public FakeHost {
public:
    void ShowPreviewBox(const ISkImage& snapshot, int percent) override
    {
        if (previews.empty())
            ticksAtFirstBox = gTicks;
        FakeHost::ShowPreviewBox(snapshot, percent);
    }
    int ticksAtFirstBox = -1;
};

TEST(TemplateMatching, StalePreviewNeverRedrawsThePreviewBox)
{
    PreviewBoxHost host;
    gGeneration = &host.FPreviewGeneration;
    SetTickSource(&CountingTick);
    const ISkImage source = Landscape(40, 30);
    auto preview = [&] {
        gTicks = 0;
        LastProgressTick = 0;
        PreviewScope scope(true, host.FPreviewGeneration.load());
        Paint(source, 35, 0, true);
    };
    // A current preview redraws the box after every sub-pass.
    preview();
    const int ticks = host.ticksAtFirstBox;
    DrainEvents();
    EXPECT_GE(host.previews.size(), 4u);

    // A newer preview starts right after the first sub-pass's last report:
    // the box is left alone and the stale run ends at its next report.
    host.previews.clear();
    gNewPreviewAt = ticks;
    EXPECT_THROW(preview(), EAbort);
    DrainEvents();
    EXPECT_TRUE(host.previews.empty());
    SetTickSource(nullptr);
    gNewPreviewAt = -1;
}

} // namespace
} // namespace pv
