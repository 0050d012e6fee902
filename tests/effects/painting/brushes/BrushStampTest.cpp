#include "engine/FakeHost.h"

#include "effects/painting/brushes/BrushSheetSetup.h"
#include "effects/painting/brushes/BrushStamp.h"
#include "engine/Effect.h"
#include "engine/Repository.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::FakeHost;
using test::ImageFromPixels;

constexpr double kPi = std::numbers::pi;

// A sheet of w x h with alpha painted by paint(x, y) (white, premultiplied).
template <typename Paint>
ISkImage Sheet(int w, int h, Paint paint)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h), 0u);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t a = uint32_t(paint(x, y));
            px[size_t(y) * w + x] = (a << 24) | (a << 16) | (a << 8) | a;
        }
    return ImageFromPixels(w, h, px);
}

uint32_t At(const ISkImage& image, int x, int y)
{
    SkPixmap pm;
    image->peekPixels(pm);
    return pm.at(x, y);
}

TEST(BrushSheetCut, TestedModeKeepsCellsWithPaintOnTheProbeColumnInCellOrder)
{
    // Cell 0: a bar across the probe column; cell 1: paint only away from it;
    // cell 5: one faint-enough-to-count probe point (alpha 11); cell 6: alpha 10 only.
    const ISkImage sheet = Sheet(2048, 512, [](int x, int y) {
        const int k = (y / 256) * 8 + x / 256, cx = x % 256, cy = y % 256;
        if (k == 0 && cy >= 120 && cy < 136)
            return 255;
        if (k == 1 && cx < 40)
            return 255;
        if (k == 5 && cx == 128 && cy == 192)
            return 11;
        if (k == 6 && cx == 128 && cy == 64)
            return 10;
        return 0;
    });
    const BrushStampSet set = CutBrushSheet(sheet, BrushCutMode::Tested);
    ASSERT_EQ(set.count(), 2);
    EXPECT_EQ(At(set.stamps[0], 0, 128) >> 24, 255u);
    EXPECT_EQ(At(set.stamps[1], 128, 192) >> 24, 11u);
    EXPECT_EQ(set.stamps[1]->width(), 256);
    EXPECT_EQ(set.stamps[1]->height(), 256);
}

TEST(BrushSheetCut, TestedModeStopsAtTheSheetsEdge)
{
    auto full = [](int, int) { return 255; };
    struct Case {
        int w, h, stamps;
    } cases[] = {
        {1250, 256, 4}, // the fifth cell would need 1280 columns
        {2048, 200, 0}, // lower than one cell
        {2048, 700, 16}, // a partial last row of cells is ignored
    };
    for (const Case& c : cases)
        EXPECT_EQ(CutBrushSheet(Sheet(c.w, c.h, full), BrushCutMode::Tested).count(), c.stamps) << c.w << "x" << c.h;
    EXPECT_TRUE(CutBrushSheet(nullptr, BrushCutMode::Tested).empty());
}

TEST(BrushSheetCut, CountedModeCutsExactlyTheCountTransparentBeyondTheSheet)
{
    const ISkImage sheet = Sheet(300, 256, [](int x, int) { return x < 256 ? 200 : 90; });
    const BrushStampSet set = CutBrushSheet(sheet, BrushCutMode::Counted, 3);
    ASSERT_EQ(set.count(), 3);
    EXPECT_EQ(At(set.stamps[0], 255, 255) >> 24, 200u);
    EXPECT_EQ(At(set.stamps[1], 0, 0) >> 24, 90u);   // the part of cell 1 the sheet has
    EXPECT_EQ(At(set.stamps[1], 44, 0) >> 24, 0u);   // beyond the sheet
    for (uint32_t p : AllPixels(set.stamps[2]))
        ASSERT_EQ(p, 0u);
    EXPECT_EQ(CutBrushSheet(nullptr, BrushCutMode::Counted, 2).count(), 2);
    EXPECT_EQ(CutBrushSheet(sheet, BrushCutMode::Counted, -5).count(), 0);
}

TEST(BrushOrientation, PrincipalAxisOfSyntheticStamps)
{
    struct Case {
        const char* name;
        int (*alpha)(int x, int y);
        OrientationRule rule;
        double expected; // magnitude compared for the vertical bar
    } cases[] = {
        {"horizontal bar", [](int x, int y) { return (y >= 120 && y < 136 && x >= 40 && x < 216) ? 255 : 0; },
         kStampOrientation, 0.0},
        {"down-right diagonal", [](int x, int y) { return std::abs(x - y) < 6 ? 255 : 0; }, kStampOrientation,
         kPi / 4},
        {"up-right diagonal", [](int x, int y) { return std::abs(x + y - 255) < 6 ? 255 : 0; }, kStampOrientation,
         -kPi / 4},
        {"vertical bar", [](int x, int y) { return (x >= 120 && x < 136 && y >= 40 && y < 216) ? 255 : 0; },
         kStampOrientation, kPi / 2},
        {"transparent", [](int, int) { return 0; }, kStampOrientation, 0.0},
        {"faint diagonal, splash rule", [](int x, int y) { return std::abs(x - y) < 6 ? 20 : 0; },
         kSplashOrientation, 0.0},
        {"tiny diagonal, splash rule", [](int x, int y) { return (x == y && x < 3) ? 255 : 0; },
         kSplashOrientation, 0.0},
        {"diagonal, splash rule", [](int x, int y) { return std::abs(x - y) < 6 ? 21 : 0; }, kSplashOrientation,
         kPi / 4},
    };
    for (const Case& c : cases) {
        const float angle = ComputeBrushOrientation(Sheet(256, 256, c.alpha), c.rule);
        if (c.expected == kPi / 2)
            EXPECT_NEAR(std::abs(angle), kPi / 2, 1e-5) << c.name;
        else
            EXPECT_NEAR(angle, c.expected, 1e-5) << c.name;
    }
    EXPECT_EQ(ComputeBrushOrientation(nullptr), 0.0f);

    BrushStampSet set;
    set.stamps = {Sheet(256, 256, cases[1].alpha), nullptr};
    ComputeBrushAngles(set);
    ASSERT_EQ(set.angles.size(), 2u);
    EXPECT_NEAR(set.angles[0], kPi / 4, 1e-5);
    EXPECT_EQ(set.angles[1], 0.0f);
}

TEST(GradientMap, SizesAreAtLeastOneCell)
{
    struct Case {
        int W, H, gw, gh;
    } cases[] = {{100, 50, 100, 50}, {1000, 500, 256, 128}, {3000, 2, 256, 1}, {1, 1, 1, 1}, {2, 5000, 2, 5000}};
    for (const Case& c : cases) {
        const SkISize s = GradientMapSize(c.W, c.H);
        EXPECT_EQ(s.fWidth, c.gw) << c.W << "x" << c.H;
        EXPECT_EQ(s.fHeight, c.gh) << c.W << "x" << c.H;
    }
    // A very flat picture still gets one row of cells, which every point maps into.
    const GradientMap flat = BuildGradientMap(test::SolidImage(3000, 2, 0xFF808080u));
    ASSERT_EQ(flat.GradH, 1);
    EXPECT_EQ(flat.cellAt(2999, 1).Magnitude, 0);
}

TEST(GradientMap, EdgesGiveMagnitudeAndDirectionBorderCellsStayZero)
{
    // Dark left half, bright right half: the gradient points to +x.
    std::vector<uint32_t> px(size_t(64) * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            px[size_t(y) * 64 + x] = x < 32 ? 0xFF202020u : 0xFFE0E0E0u;
    const GradientMap map = BuildGradientMap(ImageFromPixels(64, 32, px));
    ASSERT_EQ(map.GradW, 64);
    ASSERT_EQ(map.GradH, 32);
    const TGradientInfo& edge = map.cellAt(32, 10);
    EXPECT_EQ(edge.Magnitude, 255);
    EXPECT_NEAR(edge.Angle, 0.0f, 1e-6);
    EXPECT_EQ(map.cellAt(10, 10).Magnitude, 0);
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(map.cellAt(x, 0).Magnitude, 0);
        EXPECT_EQ(map.cellAt(x, 31).Magnitude, 0);
    }
}

TEST(StampPixels, PixelErrorAndCompositeAreExactIntegers)
{
    EXPECT_EQ(PixelError(0xFF000000u, 0xFF000000u), 0);
    EXPECT_EQ(PixelError(0x00000000u, 0xFFFFFFFFu), 1275);
    EXPECT_EQ(PixelError(0x10203040u, 0x20102050u), 2 * 16 + 16 + 16 + 16);

    struct Case {
        uint32_t s, t, expected;
    } cases[] = {
        {0xFF123456u, 0xFFFFFFFFu, 0xFF123456u}, // opaque replaces
        {0x00000000u, 0xFF654321u, 0xFF654321u}, // transparent leaves
        {0x80402010u, 0xFFFFFFFFu, 0xFFBF9F8Fu}, // 127 * 255 -> 127 per byte
        {0x80402010u, 0x00000000u, 0x80402010u},
        // inv = 191, t = 128: m = 24448, (m + (m >> 7)) >> 8 = 96 per byte.
        {0x40101010u, 0x80808080u, 0xA0707070u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompositePixel(c.s, c.t), c.expected) << std::hex << c.s << " over " << c.t;
}

// A 256 x 256 stamp of full alpha.
ISkImage SolidStamp() { return Sheet(256, 256, [](int, int) { return 255; }); }

TEST(StampDrawing, DrawsTintedScaledRotatedAndClearsThePreviousStamp)
{
    StampScratch scratch(101);
    const int C = scratch.center();
    ASSERT_EQ(C, 50);
    const ISkImage stamp = SolidStamp();
    for (const SkSamplingOptions& sampling : {SkSamplingOptions::Mitchell(), SkSamplingOptions::LinearMipmapNearest()}) {
        DrawStamp(scratch, stamp, 0xFF336699u, 1.0f, 0.0f, 40.0f, sampling);
        EXPECT_EQ(scratch.row(C)[C], 0xFF336699u);
        EXPECT_EQ(scratch.row(C)[C + 25], 0u);  // outside the 40-pixel square
        EXPECT_EQ(scratch.row(C + 19)[C], 0xFF336699u);
        const SkIRect drawn = scratch.drawnBounds();
        EXPECT_LE(drawn.width(), 44);

        // Turned by 45 degrees the square reaches 28 pixels along the axes.
        DrawStamp(scratch, stamp, 0xFF336699u, 1.0f, float(kPi / 4), 40.0f, sampling);
        EXPECT_EQ(scratch.row(C)[C + 25], 0xFF336699u);
        EXPECT_EQ(scratch.row(C - 17)[C - 17], 0u); // a corner of the unturned square

        // A smaller stamp leaves nothing of the larger one.
        DrawStamp(scratch, stamp, 0xFF336699u, 0.5f, 0.0f, 10.0f, sampling);
        const uint32_t centre = scratch.row(C)[C];
        EXPECT_NEAR(int(centre >> 24), 128, 1);
        EXPECT_NEAR(int((centre >> 16) & 0xFF), 0x33 / 2, 1);
        int painted = 0;
        for (int y = 0; y < scratch.side(); ++y)
            for (int x = 0; x < scratch.side(); ++x)
                painted += scratch.row(y)[x] != 0;
        EXPECT_GE(painted, 100);
        EXPECT_LE(painted, 144);
    }
    // The colour's own alpha scales it (a premultiplied source pixel is tinted as it is stored).
    DrawStamp(scratch, stamp, 0x80FF0000u, 1.0f, 0.0f, 20.0f, SkSamplingOptions::LinearMipmapNearest());
    EXPECT_EQ(scratch.row(C)[C], 0x80800000u);
    // Nothing drawn for a missing stamp.
    DrawStamp(scratch, nullptr, 0xFF000000u, 1.0f, 0.0f, 20.0f, SkSamplingOptions::LinearMipmapNearest());
    EXPECT_EQ(scratch.row(C)[C], 0u);
    EXPECT_TRUE(scratch.drawnBounds().isEmpty());
}

TEST(StampDrawing, LatticeDrawGivesTheFullDrawsPixelsOnTheLatticeOnly)
{
    // A soft, off-centre mark so that sampling and edges both matter.
    const ISkImage stamp = Sheet(256, 256, [](int x, int y) {
        const int d = (x - 100) * (x - 100) / 4 + (y - 140) * (y - 140);
        return std::max(0, 255 - d / 20);
    });
    StampScratch full(161), sparse(161);
    for (const SkSamplingOptions& sampling : {SkSamplingOptions::Mitchell(), SkSamplingOptions::LinearMipmapNearest()})
        for (const int step : {2, 3, 4}) {
            DrawStamp(full, stamp, 0xFFC08040u, 0.8f, 0.7f, 97.0f, sampling);
            DrawStamp(sparse, stamp, 0xFFC08040u, 0.8f, 0.7f, 97.0f, sampling, StampLattice{step, 5});
            int onLattice = 0;
            for (int y = 0; y < 161; ++y)
                for (int x = 0; x < 161; ++x) {
                    const bool on = (y - 5) % step == 0 && (x - 5) % step == 0;
                    ASSERT_EQ(sparse.row(y)[x], on ? full.row(y)[x] : 0u) << x << "," << y << " step " << step;
                    onLattice += on && full.row(y)[x] != 0;
                }
            EXPECT_GT(onLattice, 100);
        }
}

TEST(StampDrawing, DrawLimitedToARectangleKeepsItsPixelsThere)
{
    const ISkImage stamp = Sheet(256, 256, [](int x, int y) { return (x * 7 + y * 3) % 256; });
    StampScratch full(161), part(161);
    // A stroke centred near a picture's corner: only the scratch over the picture is drawn.
    const SkIRect over = ScratchOver(part, 10, 150, 300, 200, 1);
    EXPECT_EQ(over, SkIRect::MakeLTRB(69, -71, 371, 131));
    for (const int step : {1, 3}) {
        DrawStamp(full, stamp, 0xFF30A0F0u, 0.9f, 0.4f, 120.0f, SkSamplingOptions::Mitchell(), StampLattice{step, 0});
        DrawStamp(part, stamp, 0xFF30A0F0u, 0.9f, 0.4f, 120.0f, SkSamplingOptions::Mitchell(), StampLattice{step, 0},
                  over);
        int kept = 0;
        for (int y = 0; y < 161; ++y)
            for (int x = 0; x < 161; ++x) {
                const bool inside = over.contains(x, y);
                ASSERT_EQ(part.row(y)[x], inside ? full.row(y)[x] : 0u) << x << "," << y << " step " << step;
                kept += inside && full.row(y)[x] != 0;
            }
        EXPECT_GT(kept, 500);
        EXPECT_TRUE(over.contains(part.drawnBounds()) || part.drawnBounds().isEmpty());
    }
}

TEST(StampDrawing, CompositeLaysTheWindowCentredAndClipsToTheTarget)
{
    StampScratch scratch(21);
    const int C = scratch.center(); // 10
    DrawStamp(scratch, SolidStamp(), 0xFF0000FFu, 1.0f, 0.0f, 6.0f, SkSamplingOptions::LinearMipmapNearest());
    scratch.row(C)[C] = 0x80404040u; // a translucent pixel in the middle

    std::vector<uint32_t> target(size_t(8) * 8, 0xFFFFFFFFu);
    std::vector<uint32_t*> rows(8);
    for (int y = 0; y < 8; ++y)
        rows[size_t(y)] = target.data() + size_t(y) * 8;
    // Centred at (1, 1): the stamp spans -2..3, so it is cut at the top and left.
    CompositeStamp(scratch, ScratchWindow::Square(0, 20), rows.data(), 8, 8, 1, 1);
    EXPECT_EQ(target[0], 0xFF0000FFu);
    EXPECT_EQ(target[size_t(1) * 8 + 1], CompositePixel(0x80404040u, 0xFFFFFFFFu));
    EXPECT_EQ(target[size_t(3) * 8 + 3], 0xFF0000FFu);
    EXPECT_EQ(target[size_t(4) * 8 + 4], 0xFFFFFFFFu);
    EXPECT_EQ(target[size_t(7) * 8 + 7], 0xFFFFFFFFu);

    // A window that leaves out the middle row changes nothing there.
    std::fill(target.begin(), target.end(), 0xFFFFFFFFu);
    CompositeStamp(scratch, ScratchWindow{C + 1, 20, 0, 20}, rows.data(), 8, 8, 4, 4);
    EXPECT_EQ(target[size_t(4) * 8 + 4], 0xFFFFFFFFu);
    EXPECT_EQ(target[size_t(5) * 8 + 4], 0xFF0000FFu);
    // Far outside the target: nothing.
    CompositeStamp(scratch, ScratchWindow::Square(0, 20), rows.data(), 8, 8, 100, -50);
}

TEST(StampDrawing, VisitsDrawnLatticePixelsInsideThePictureOnly)
{
    StampScratch scratch(21);
    DrawStamp(scratch, SolidStamp(), 0xFF0000FFu, 1.0f, 0.0f, 6.0f, SkSamplingOptions::LinearMipmapNearest());
    // Centred at 10, the stamp covers scratch rows and columns 7..12 (6 x 6 pixels).
    std::vector<uint32_t> src(size_t(8) * 8, 0xFF00FF00u), dst(size_t(8) * 8, 0xFFFFFFFFu);
    std::vector<uint32_t*> srcRows(8), dstRows(8);
    for (int y = 0; y < 8; ++y) {
        srcRows[size_t(y)] = src.data() + size_t(y) * 8;
        dstRows[size_t(y)] = dst.data() + size_t(y) * 8;
    }
    struct Case {
        StampLattice lattice;
        int x, y, visits;
    } cases[] = {
        {{1, 0}, 4, 4, 36},  // the whole stamp lands inside
        {{2, 0}, 4, 4, 9},   // rows and columns 8, 10, 12
        {{2, 7}, 4, 4, 9},   // 7, 9, 11
        {{3, 1}, 4, 4, 4},   // 7, 10
        {{1, 0}, 0, 0, 9},   // only picture rows and columns 0..2
        {{1, 0}, 50, 50, 0}, // entirely outside
    };
    for (const Case& c : cases) {
        int visits = 0;
        ForEachStampPixel(scratch, ScratchWindow::Square(0, 20), c.lattice, srcRows.data(), dstRows.data(), 8, 8, c.x,
                          c.y, [&](uint32_t s, uint32_t d, uint32_t stamp) {
                              EXPECT_EQ(s, 0xFF00FF00u);
                              EXPECT_EQ(d, 0xFFFFFFFFu);
                              EXPECT_EQ(stamp, 0xFF0000FFu);
                              ++visits;
                          });
        EXPECT_EQ(visits, c.visits) << c.lattice.step << "/" << c.lattice.origin << " at " << c.x;
    }
}

// Sets every pixel of the scratch (after a stamp drawn over all of it, so the
// whole scratch counts as drawn).
template <typename Pixel>
void FillScratch(StampScratch& scratch, Pixel pixel)
{
    DrawStamp(scratch, SolidStamp(), 0xFF000000u, 1.0f, 0.0f, float(scratch.side()),
              SkSamplingOptions::LinearMipmapNearest());
    for (int y = 0; y < scratch.side(); ++y)
        for (int x = 0; x < scratch.side(); ++x)
            scratch.row(y)[x] = pixel(x, y);
}

TEST(StampRelief, ShadesEdgesByTheRuleWithinTheDiamond)
{
    // Grey of full alpha on the right half: alpha rises to the right along
    // column C, which is lit; the mirror image is shaded.
    StampScratch lit(41), shaded(41), windowed(41);
    const int C = lit.center(); // 20
    FillScratch(lit, [&](int x, int) { return x >= C ? 0xFF808080u : 0u; });
    FillScratch(windowed, [&](int x, int) { return x >= C ? 0xFF808080u : 0u; });
    FillScratch(shaded, [&](int x, int) { return x <= C ? 0xFF808080u : 0u; });

    ApplyBrushRelief(lit, 20, ScratchWindow::Square(1, 39), 30);
    // Size 20: d = 15. At the centre gx = 255 -> 40, w = 120 -> 50: 128 + 50 * 127 / 512 = 140.
    EXPECT_EQ(lit.row(C)[C], 0xFF8C8C8Cu);
    // Distance 10: f = 85, f^2 / 255 = 28, w = 120 * 28 / 255 = 13: 128 + 13 * 127 / 512 = 131.
    EXPECT_EQ(lit.row(C + 10)[C], 0xFF838383u);
    // Distance 14: f = 17, f^2 / 255 = 1, w = 0: unchanged; 15 and more: unchanged.
    EXPECT_EQ(lit.row(C + 14)[C], 0xFF808080u);
    EXPECT_EQ(lit.row(C + 15)[C], 0xFF808080u);
    // No gradient inside the uniform block, transparent pixels untouched.
    EXPECT_EQ(lit.row(C)[C + 3], 0xFF808080u);
    EXPECT_EQ(lit.row(C)[C - 1], 0u);

    ApplyBrushRelief(shaded, 20, ScratchWindow::Square(1, 39), 30);
    // w = -50: 128 * (255 - 25) shr 8 = 115.
    EXPECT_EQ(shaded.row(C)[C], 0xFF737373u);

    // Only the window changes: row C is outside it, row C + 1 inside (w = 104 -> 50).
    ApplyBrushRelief(windowed, 20, ScratchWindow{C + 1, 39, 1, 39}, 30);
    EXPECT_EQ(windowed.row(C)[C], 0xFF808080u);
    EXPECT_EQ(windowed.row(C + 1)[C], 0xFF8C8C8Cu);
}

// ------------------------------------------------------------------ brush-sheet set-up

TEST(BrushSheetSetup, BuiltInSheetsWithoutTheUsersOwn)
{
    TForm3& repo = Form3();
    ASSERT_FALSE(repo.PastelBrushes.isEmpty());
    struct Case {
        int effect;
        const TRepositoryImage* sheet;
    } cases[] = {{302, &repo.PastelBrushes}, {303, &repo.WatercolorBrushes}, {304, &repo.DefaultBrushes}};
    for (const Case& c : cases) {
        repo.Brushes.setImage(nullptr);
        // Through the engine's hook, as both dispatchers run it.
        RunBrushSheetSetup(c.effect);
        EXPECT_EQ(repo.Brushes.image(), c.sheet->image()) << c.effect;
    }
    // The built-in sheets' sizes give the stamp counts the paintings rely on.
    EXPECT_EQ(repo.PastelBrushes.image()->width(), 2048);
    const int pastel = CutBrushSheet(repo.PastelBrushes.image(), BrushCutMode::Tested).count();
    EXPECT_GT(pastel, 0);
    EXPECT_LE(pastel, 16);
    const int splashes = CutBrushSheet(repo.WatercolorBrushes.image(), BrushCutMode::Tested).count();
    EXPECT_GT(splashes, 0);
    EXPECT_LE(splashes, 24);
    EXPECT_EQ(CutBrushSheet(repo.DefaultBrushes.image(), BrushCutMode::Counted, 40).count(), 40);
    EXPECT_EQ(CurrentGlobalBrushCount(), 40);
}

TEST(BrushSheetSetup, FollowsTheUsersSwitches)
{
    TForm3& repo = Form3();
    FakeHost host;
    QImage user(512, 256, QImage::Format_ARGB32_Premultiplied);
    user.fill(0xFF102030u);

    // 304 with its switch off sets the brush count back to 40.
    host.GlobalBrushCount = 7;
    BrushSheetSetup(304);
    EXPECT_EQ(host.GlobalBrushCount.load(), 40);
    EXPECT_EQ(repo.Brushes.image(), repo.DefaultBrushes.image());

    // 304 with the user's sheet takes its count and pixels.
    host.CustomBrushesOn304 = true;
    host.CustomBrushBitmap304 = user;
    host.CustomBrushCount304 = 2;
    BrushSheetSetup(304);
    EXPECT_EQ(host.GlobalBrushCount.load(), 2);
    ASSERT_FALSE(repo.Brushes.isEmpty());
    EXPECT_EQ(repo.Brushes.image()->width(), 512);
    EXPECT_EQ(CurrentGlobalBrushCount(), 2);

    // 307 with the switch of 304 on leaves the working sheet alone...
    repo.Brushes.setImage(repo.PastelBrushes.image());
    BrushSheetSetup(307);
    EXPECT_EQ(repo.Brushes.image(), repo.PastelBrushes.image());
    // ...and with it off takes the default sheet.
    host.CustomBrushesOn304 = false;
    BrushSheetSetup(307);
    EXPECT_EQ(repo.Brushes.image(), repo.DefaultBrushes.image());

    // 302 with its switch on and an empty user sheet empties the working sheet.
    host.CustomBrushesOn302 = true;
    BrushSheetSetup(302);
    EXPECT_TRUE(repo.Brushes.isEmpty());
    EXPECT_TRUE(CutBrushSheet(WorkingBrushSheet(), BrushCutMode::Tested).empty());

    // Other effects have no set-up.
    repo.Brushes.setImage(repo.PastelBrushes.image());
    BrushSheetSetup(306);
    EXPECT_EQ(repo.Brushes.image(), repo.PastelBrushes.image());
    repo.Brushes.setImage(repo.DefaultBrushes.image());
}

} // namespace
} // namespace pv
