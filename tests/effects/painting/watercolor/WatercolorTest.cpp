#include "engine/FakeHost.h"
#include "PaintingPictures.h"

#include "effects/painting/watercolor/Watercolor.h"
#include "effects/painting/watercolor/EdgeStrokeOverlay.h"
#include "engine/SharpenSurface.h"
#include "engine/SimilaritySmoothSurface.h"
#include "engine/VibrancePop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace pv {
namespace {

using test::FakeHost;
using test::Landscape;
using test::PixelAt;

std::vector<uint32_t> Pixels(const ISkSurface& s)
{
    SkPixmap pm;
    s->peekPixels(pm);
    std::vector<uint32_t> out;
    for (int y = 0; y < pm.height; ++y)
        out.insert(out.end(), pm.row(y), pm.row(y) + pm.width);
    return out;
}

ISkSurface Paint(const ISkImage& source, int P1, int P2, int P3, int P4, int P5, uint32_t seed, bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    CentralSpokeEffectSeeded(source, dest, P1, P2, P3, P4, P5, preview, seed);
    return dest;
}

TEST(CentralSpokeParams, DerivedValues)
{
    struct Case {
        int P1, P2, P3, P4, W, H;
        bool preview, sanity;
        int64_t N;
        int S, T0, T;
        double k;
        float o;
    };
    const Case cases[] = {
        // Desktop defaults on the 12-megapixel reference: k = 12e6 / 2^22.
        {30, 40, 40, 100, 4000, 3000, false, false, 44346, 20, 108, 108, 2.86102294921875, 1.0f},
        {0, 40, 40, 100, 640, 480, false, false, 500, 20, 108, 108, 1.0, 1.0f},
        {-1, 40, 40, 100, 640, 480, false, false, 0, 20, 108, 108, 1.0, 1.0f},
        {-2, 40, 40, 100, 640, 480, false, false, 0, 20, 108, 108, 1.0, 1.0f},
        {-2147483647 - 1, 0, 0, 0, 640, 480, false, false, 0, 3, 140, 140, 1.0, 0.0f},
        {0, 40, 40, 100, 100, 100, true, false, 50, 20, 108, 108, 1.0, 1.0f},
        {30, 40, 40, 100, 100, 100, true, false, 620, 20, 108, 108, 1.0, 1.0f},
        {30, 7, 40, 150, 640, 480, false, false, 15500, 3, 134, 134, 1.0, 1.0f},
        {30, 8, 40, -3, 640, 480, false, false, 15500, 4, 134, 134, 1.0, 0.0f},
        {30, 100, 40, 50, 640, 480, false, true, 15500, 50, 60, 30, 1.0, 0.5f},
        {30, 40, 40, 100, 640, 480, false, true, 15500, 20, 108, 54, 1.0, 1.0f},
        {0, 40, 40, 100, 4096, 4096, false, false, 2000, 20, 108, 108, 4.0, 1.0f},
        {0, 40, 40, 100, 4096, 2000, false, false, 500, 20, 108, 108, 1.0, 1.0f},
        {0, 40, 40, 100, 9000, 9000, false, false, 2500, 20, 108, 108, 5.0, 1.0f},
        // W x H beyond 32 bits: sqrt(2.5e9) = 50000, 0.2 * 50000 * 31 = 310000, times 5.
        {30, 40, 40, 100, 50000, 50000, true, false, 1550000, 20, 108, 108, 5.0, 1.0f},
        // A script's absurd complexity: no more spokes than the picture has border pixels.
        {0, 2147483647, 40, 100, 640, 480, false, false, 500, 1120, 60, 60, 1.0, 1.0f},
    };
    for (const Case& c : cases) {
        const CentralSpokeParams p = ComputeCentralSpokeParams(c.P1, c.P2, c.P3, c.P4, c.W, c.H, c.preview, c.sanity);
        SCOPED_TRACE(testing::Message() << "P1 " << c.P1 << " P2 " << c.P2 << " " << c.W << "x" << c.H);
        EXPECT_EQ(p.shapeCount, c.N);
        EXPECT_EQ(p.spokes, c.S);
        EXPECT_EQ(p.baseThreshold, c.T0);
        EXPECT_EQ(p.threshold, c.T);
        EXPECT_DOUBLE_EQ(p.scale, c.k);
        EXPECT_EQ(p.opacity, c.o);
    }
    const CentralSpokeParams full = ComputeCentralSpokeParams(30, 100, 40, 100, 640, 480, false, false);
    EXPECT_EQ(full.complexity, 1.0f);
    EXPECT_FLOAT_EQ(full.sigma, 0.3f);
    EXPECT_FLOAT_EQ(full.brushSize, 40.0f); // 0.02 * 1600 + 8
    EXPECT_FLOAT_EQ(ComputeCentralSpokeParams(30, 40, 40, 100, 4000, 3000, false, false).brushSize,
                    float(40.0 * 2.86102294921875));
    // The complexity is single precision: 0.6f and 0.8f lie just above 0.6 and 0.8.
    EXPECT_GT(double(ComputeCentralSpokeParams(0, 60, 0, 0, 9, 9, false, false).complexity), 0.6);
    EXPECT_GT(double(ComputeCentralSpokeParams(0, 80, 0, 0, 9, 9, false, false).complexity), 0.8);
}

TEST(CentralSpokeParams, AttemptsAndBudgetsOverTheRun)
{
    const int64_t N = 1000;
    EXPECT_EQ(CentralSpokeExtraAttempts(1, N), 0);
    EXPECT_EQ(CentralSpokeExtraAttempts(500, N), 0);
    EXPECT_EQ(CentralSpokeExtraAttempts(563, N), 1); // (63 * 8) / 1000 = 0.504
    EXPECT_EQ(CentralSpokeExtraAttempts(N, N), 4);
    EXPECT_EQ(CentralSpokeBudgetBase(N, N, 40.0f), 1) << "the last patch has radius 1";
    EXPECT_EQ(CentralSpokeBudgetBase(0, N, 40.0f), 325); // (40.5 * 8) + 1
    EXPECT_EQ(CentralSpokeBudgetBase(1, N, 40.0f), 325); // 323.676 -> 324, + 1
    const CentralSpokeParams p = ComputeCentralSpokeParams(1, 40, 40, 100, 64, 64, false, false);
    int64_t planned = 0;
    for (int64_t i = 1; i <= p.shapeCount; ++i)
        planned += CentralSpokeExtraAttempts(i, p.shapeCount) + 1;
    EXPECT_EQ(p.plannedPaths, planned);
    EXPECT_GT(planned, p.shapeCount * 3 / 2);
}

TEST(RedmeanAlphaDistance, Values)
{
    struct Case {
        uint32_t a, b;
        int d;
    };
    const Case cases[] = {
        {0xFF000000u, 0xFFFFFFFFu, 765},
        {0xFFFF0000u, 0xFF000000u, 403},
        {0xFF0000FFu, 0xFF000000u, 441},
        {0xFF00FF00u, 0xFF000000u, 510},
        {0xFF646464u, 0xFF6E6464u, 16},
        {0xFF8C3C1Eu, 0x9B783C1Eu, 38}, // root 32 raised by (100 / 255) / 2
        {0xFF0A0A0Au, 0xFE0A0A0Au, 0},
        {0x09FFFFFFu, 0x00000000u, 0},  // both nearly transparent
        {0x09000000u, 0x0A000000u, 255},
        {0xFF123456u, 0xFF123456u, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RedmeanAlphaDistance(c.a, c.b), c.d) << std::hex << c.a << " " << c.b;
        EXPECT_EQ(RedmeanAlphaDistance(c.b, c.a), c.d) << "symmetric";
    }
}

TEST(CentralSpokeEffect, IsRegisteredAsWatercolor)
{
    const EffectInfo* effect = FindEffect(300);
    ASSERT_NE(effect, nullptr);
    EXPECT_STREQ(effect->listName, "Watercolor");
    EXPECT_EQ(effect->proc, &CentralSpokeEffect);
}

TEST(CentralSpokeEffect, PaintsAnOpaquePictureUnlikeTheInput)
{
    const ISkImage source = Landscape(72, 54);
    const ISkSurface dest = Paint(source, 3, 40, 20, 100, 20, 1234);
    SkPixmap in;
    source->peekPixels(in);
    const std::vector<uint32_t> out = Pixels(dest);
    int changed = 0, white = 0;
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            const uint32_t p = out[size_t(y * in.width + x)];
            ASSERT_EQ(p >> 24, 255u) << x << "," << y;
            changed += p != in.at(x, y);
            white += p == 0xFFFFFFFFu;
        }
    EXPECT_GT(changed, in.width * in.height / 2);
    EXPECT_LT(white, in.width * in.height / 10) << "patches cover the canvas";
    // The same seed paints the same picture; another seed paints another one.
    EXPECT_EQ(Pixels(Paint(source, 3, 40, 20, 100, 20, 1234)), out);
    EXPECT_NE(Pixels(Paint(source, 3, 40, 20, 100, 20, 99)), out);
}

TEST(CentralSpokeEffect, NegativeIterationsPaintNoPatch)
{
    // No patch: the white canvas only receives the finishing passes, whose
    // edge strokes still trace the source.
    const ISkImage source = Landscape(60, 40);
    for (int P1 : {-2, -1000, -2147483647 - 1}) {
        const std::vector<uint32_t> out = Pixels(Paint(source, P1, 40, 40, 100, 20, 5));
        int white = 0;
        for (uint32_t p : out)
            white += p == 0xFFFFFFFFu;
        EXPECT_GT(white, int(out.size()) / 2) << P1;
    }
}

TEST(CentralSpokeEffect, ResultDoesNotDependOnPoolSize)
{
    // Large brushes on 320 x 240: the first patches are big enough to be filled in parallel.
    const ISkImage source = Landscape(320, 240);
    SetSharedPoolWorkers(1);
    const std::vector<uint32_t> one = Pixels(Paint(source, 0, 40, 100, 100, 20, 77));
    SetSharedPoolWorkers(0);
    EXPECT_EQ(Pixels(Paint(source, 0, 40, 100, 100, 20, 77)), one);
}

TEST(CentralSpokeEffect, TranslucentPatchesKeepTheSourceColour)
{
    // Straight colour (200, 100, 50) at alpha 128. Patches stack, so alpha
    // grows, but their colour must stay the source's, not darken by alpha twice.
    const ISkImage source = test::SolidImage(48, 48, 0x80643219u);
    const ISkSurface dest = Paint(source, 2, 40, 40, 100, 20, 3);
    const TAlphaColor c = UnpremultiplyPixel(PixelAt(dest, 24, 24));
    EXPECT_GE(ColorA(c), 128);
    EXPECT_NEAR(ColorR(c), 200, 12);
    EXPECT_NEAR(ColorG(c), 100, 12);
    EXPECT_NEAR(ColorB(c), 50, 12);
}

TEST(CentralSpokeEffect, FullyTransparentSourceStaysTransparent)
{
    const ISkSurface dest = Paint(test::SolidImage(40, 30, 0u), 2, 40, 40, 100, 20, 3);
    for (uint32_t p : Pixels(dest))
        ASSERT_EQ(p, 0u);
}

TEST(CentralSpokeEffect, KeptCanvasEqualToTheSourceOnlyGetsTheFinishingPasses)
{
    // Erase off, earlier result = the source: no patch brings a pixel closer
    // to the source, so the patch phase changes nothing.
    FakeHost host;
    host.FEraseBdChecked = false;
    const ISkImage source = Landscape(64, 48);
    host.FSkImage = source;
    const ISkSurface dest = Paint(source, 2, 40, 40, 100, 20, 11);

    const ISkSurface expected = SkSurface::MakeRaster(64, 48);
    expected->getCanvas()->drawImage(source, 0, 0);
    SimilaritySmoothSurface_MT(expected, nullptr, 5, 30, 3, false, 1.2f, 5.0f, 2, {}, 2);
    VibrancePop(expected->makeImageSnapshot(), expected, 8, 5, 2, 40, 70, false);
    ApplyEdgeStrokeOverlay(source, expected, 5, 230, 10, 0, 20);
    SharpenSurface(nullptr, expected, 10);
    EXPECT_EQ(Pixels(dest), Pixels(expected));
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
    for (int p : {80, 85, 90})
        EXPECT_NE(std::find(host.progress.begin(), host.progress.end(), p), host.progress.end()) << p;
}

TEST(CentralSpokeEffect, PreviewStartsFromWhiteAndEndsWith101)
{
    FakeHost host;
    host.FEraseBdChecked = false; // previews ignore the switch
    host.FSkImage = test::SolidImage(50, 40, 0xFF000000u);
    PreviewScope scope(true, host.FPreviewGeneration.load());
    const ISkImage source = Landscape(50, 40);
    const ISkSurface dest = Paint(source, 0, 40, 20, 100, 20, 8, true);
    test::DrainEvents();
    ASSERT_FALSE(host.previewPercents.empty());
    EXPECT_EQ(host.previewPercents.back(), 101);
    EXPECT_TRUE(host.progress.empty()) << "a preview leaves the progress bar alone";
    for (uint32_t p : Pixels(dest))
        ASSERT_EQ(p >> 24, 255u);
}

TEST(CentralSpokeEffect, CancelledFullRenderReports101AndAborts)
{
    FakeHost host;
    host.Cancel = true;
    const ISkImage source = Landscape(40, 30);
    const ISkSurface dest = SkSurface::MakeRaster(40, 30);
    EXPECT_THROW(CentralSpokeEffectSeeded(source, dest, 5, 40, 40, 100, 20, false, 1), EAbort);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
}

TEST(CentralSpokeEffect, KeptCanvasMovesTowardsTheSource)
{
    // Starting from a flat grey result, kept patches bring the work buffer
    // closer to the landscape.
    FakeHost host;
    host.FEraseBdChecked = false;
    const ISkImage source = Landscape(64, 48);
    host.FSkImage = test::SolidImage(64, 48, 0xFF808080u);
    const ISkSurface dest = Paint(source, 4, 40, 20, 100, 0, 11);
    SkPixmap in;
    source->peekPixels(in);
    const std::vector<uint32_t> out = Pixels(dest);
    int64_t before = 0, after = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            for (int sh : {0, 8, 16}) {
                const int q = int((in.at(x, y) >> sh) & 0xFF);
                before += std::abs(0x80 - q);
                after += std::abs(int((out[size_t(y * 64 + x)] >> sh) & 0xFF) - q);
            }
    EXPECT_LT(after, before / 2);
}

} // namespace
} // namespace pv
