#include "engine/FakeHost.h"
#include "PaintingPictures.h"

#include "effects/painting/Brushstrokes2.h"
#include "engine/SharpenSurface.h"
#include "engine/Repository.h"
#include "engine/VibrancePop.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <climits>
#include <cmath>
#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::FakeHost;
using test::ImageFromPixels;
using test::SolidImage;

// A small picture with a bright disc, a diagonal edge and noise.
ISkImage Still(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int n = int(((uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u)) % 11u) - 5;
            uint32_t c = x + y < (w + h) / 2 ? MakeColor(255, uint8_t(60 + n), uint8_t(90 + n), uint8_t(160 + n))
                                             : MakeColor(255, uint8_t(180 + n), uint8_t(140 + n), uint8_t(70 + n));
            if ((x - w / 3) * (x - w / 3) + (y - h / 3) * (y - h / 3) < (h / 5) * (h / 5))
                c = MakeColor(255, uint8_t(240 + n / 2), uint8_t(230 + n), uint8_t(200 + n));
            px[size_t(y) * size_t(w) + size_t(x)] = c;
        }
    return ImageFromPixels(w, h, px);
}

std::vector<uint32_t> Paint(const ISkImage& source, int P1, int P2, int P3, int P4, int P5, uint32_t seed,
                            bool preview = false)
{
    return test::PaintedPixels(&Ollivander, source, P1, P2, P3, P4, P5, seed, preview);
}

int64_t Distance(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    int64_t sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16})
            sum += std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
    return sum;
}

TEST(OllivanderParams, DerivedValues)
{
    struct Case {
        int P1, P2, P3, P4;
        int d, factor;
        int64_t reject;
        float f;
        int s;
        bool saturate;
    };
    const Case cases[] = {
        {50, 30, 25, 60, 23, 3, 195, 1.09765625f, 20, true}, // the defaults
        {0, 0, 0, 50, 28, 1, 255, 1.0f, 0, false},
        {9, 0, 0, 0, 28, 1, 255, 1.0f, -100, true},
        {100, 100, 100, 100, 18, 9, 55, 1.390625f, 100, true},
        {280, 128, 100, 128, 1, 11, -1, 1.390625f, 100, false}, // P4 = 128 skips the pass
        {500, 12, 0, 51, 1, 1, 231, 1.0f, 2, true},
        // Script-sized values: no overflow; the stroke factor stops at P2 = 200.
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1, 17, 255 - 2 * int64_t(INT_MAX), float(INT_MAX) / 256.0f + 1.0f, 100, true},
        {INT_MIN, INT_MIN, 0, INT_MIN, 214748392, -171798690, 255 + 2 * int64_t(INT_MAX) + 2, 1.0f, -100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.P1 << " " << c.P2 << " " << c.P3 << " " << c.P4);
        const OllivanderParams p = ComputeOllivanderParams(c.P1, c.P2, c.P3, c.P4, 70);
        EXPECT_EQ(p.lengthDivisor, c.d);
        EXPECT_EQ(p.strokeFactor, c.factor);
        EXPECT_EQ(p.rejectBelow, c.reject);
        EXPECT_EQ(p.acceptFactor, c.f);
        EXPECT_EQ(p.saturation, c.s);
        EXPECT_EQ(p.saturate, c.saturate);
    }
    EXPECT_EQ(OllivanderAttempts(4000, 3000, 3, 1), 743);
    EXPECT_EQ(OllivanderAttempts(4000, 3000, 3, 12), 8916);
    EXPECT_EQ(OllivanderAttempts(220, 220, 1, 1), 1) << "P2 = 0: one more stroke per 48400 pixels";
    EXPECT_EQ(OllivanderAttempts(64, 48, 3, 12), 0);
    EXPECT_LT(OllivanderAttempts(4000, 3000, -171798690, 12), 0) << "no attempts at all";
    EXPECT_EQ(OllivanderAttempts(50000, 50000, 17, 12), int64_t(2500000000) * 17 / 48400 * 12);
}

TEST(OllivanderRandom, FollowsTheProcessWideSequence)
{
    RunRandom local{987654321u};
    SetRandSeed(987654321u);
    for (int n : {100, 1, 0, -5, 290, 7, INT_MAX}) {
        EXPECT_EQ(local(n), Random(n)) << n;
        EXPECT_EQ(local.Float(), RandomFloat());
    }
    EXPECT_EQ(local.seed, RandSeed());
}

TEST(OllivanderTiles, WeightsAndWeightedPick)
{
    OllivanderTiles tiles;
    tiles.error = {0, 10, 100, 5, 40};
    tiles.rejected = {0, 0, 45, 0, 21};
    tiles.BuildWeights();
    // 1, 10, 100 div (45 div 20 + 1), 5, 40 div 2.
    EXPECT_EQ(tiles.running, (std::vector<int64_t>{1, 11, 44, 49, 69}));
    EXPECT_EQ(tiles.total, 69);
    for (uint32_t seed = 1; seed < 200; ++seed) {
        RunRandom a{seed * 2654435761u}, b = a;
        const int64_t r = int64_t(b.Float() * 69.0);
        size_t expected = 0;
        while (tiles.running[expected] < r)
            ++expected;
        ASSERT_EQ(tiles.Pick(a), int(expected)) << seed;
        ASSERT_EQ(a.seed, b.seed) << "one draw per pick";
    }
    tiles.error = {0, 0, 0};
    tiles.rejected = {30, 30, 30};
    tiles.BuildWeights();
    EXPECT_EQ(tiles.total, 0);
    RunRandom a{77}, b{77};
    EXPECT_EQ(tiles.Pick(a), b(3)) << "uniform without weights";
}

TEST(OllivanderBrushes, RepositoryMasks)
{
    BrushMaskData brushes[3];
    LoadOllivanderBrushes(brushes);
    const int sizes[3][2] = {{80, 80}, {54, 56}, {38, 39}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(brushes[i].w, sizes[i][0]);
        EXPECT_EQ(brushes[i].h, sizes[i][1]);
        ASSERT_EQ(brushes[i].alpha.size(), size_t(brushes[i].w) * size_t(brushes[i].h));
        EXPECT_GT(*std::max_element(brushes[i].alpha.begin(), brushes[i].alpha.end()), 200);
    }
}

TEST(OllivanderBrushes, FallBackToTheWorkingFolderThenToTheCone)
{
    // Without the repository's masks: "PaintBrushSim2.png" in the working
    // folder is read, the two missing files give the 32 x 32 cone.
    TForm3& repository = Form3();
    const QImage saved[3] = {repository.PaintBrushSim.bitmap(), repository.PaintBrushSim2.bitmap(),
                             repository.PaintBrushSim3.bitmap()};
    const QString oldFolder = QDir::currentPath();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage file(5, 4, QImage::Format_ARGB32);
    file.fill(qRgba(0, 0, 0, 90));
    ASSERT_TRUE(file.save(folder.filePath(QStringLiteral("PaintBrushSim2.png"))));
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    repository.PaintBrushSim.setBitmap(QImage());
    repository.PaintBrushSim2.setBitmap(QImage());
    repository.PaintBrushSim3.setBitmap(QImage());

    BrushMaskData brushes[3];
    LoadOllivanderBrushes(brushes);

    QDir::setCurrent(oldFolder);
    repository.PaintBrushSim.setBitmap(saved[0]);
    repository.PaintBrushSim2.setBitmap(saved[1]);
    repository.PaintBrushSim3.setBitmap(saved[2]);

    EXPECT_EQ(brushes[1].w, 5);
    EXPECT_EQ(brushes[1].h, 4);
    EXPECT_EQ(brushes[1].alpha, std::vector<uint8_t>(20, 90));
    for (int i : {0, 2}) {
        EXPECT_EQ(brushes[i].w, 32);
        EXPECT_EQ(brushes[i].h, 32);
        EXPECT_EQ(brushes[i].alpha[size_t(16 * 32 + 16)], 255) << "the cone's centre";
        EXPECT_EQ(brushes[i].alpha[0], 0);
    }
}

TEST(Ollivander, IsRegisteredAsBrushstrokes2)
{
    const EffectInfo* effect = FindEffect(305);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->proc, &Ollivander);
}

TEST(Ollivander, PicturesOfNinePixelsOrLessAreLeftAlone)
{
    FakeHost host;
    for (auto [w, h] : {std::pair{3, 3}, std::pair{9, 9}, std::pair{1000, 3}, std::pair{9, 200}}) {
        const ISkSurface dest = SkSurface::MakeRaster(w, h);
        dest->getCanvas()->clear(0xFF123456u);
        Ollivander(Still(w, h), dest, 50, 30, 25, 60, 70, false);
        for (uint32_t p : AllPixels(dest->makeImageSnapshot()))
            ASSERT_EQ(p, 0xFF123456u) << w << "x" << h;
    }
    test::DrainEvents();
    EXPECT_TRUE(host.progress.empty());
}

TEST(Ollivander, PaintsTowardsTheSourceTheSameWayOnAnyPoolSize)
{
    // P2 = 100 on 320 x 240: up to 171 attempts a round, planned in batches
    // while earlier batches are laid.
    const ISkImage source = Still(320, 240);
    const auto [one, eight] = test::OnOneAndEightWorkers([&] { return Paint(source, 50, 100, 25, 60, 70, 31); });
    EXPECT_EQ(one, eight);
    EXPECT_EQ(Paint(source, 50, 100, 25, 60, 70, 31), one);
    EXPECT_NE(Paint(source, 50, 100, 25, 60, 70, 32), one);
    const std::vector<uint32_t> in = AllPixels(source);
    for (uint32_t p : one)
        ASSERT_EQ(p >> 24, 255u);
    const std::vector<uint32_t> white(in.size(), 0xFFFFFFFFu);
    EXPECT_LT(Distance(one, in), Distance(white, in) / 3);
    // 10 x 10 is the smallest picture painted; the underpainting is then full size.
    for (uint32_t p : Paint(Still(10, 10), 50, 30, 25, 60, 70, 3))
        ASSERT_EQ(p >> 24, 255u);
}

TEST(Ollivander, TransparentSourcesKeepTheirAlphaWithValidPixels)
{
    // Left half straight (200, 120, 60) at alpha 160, right half transparent.
    std::vector<uint32_t> px(size_t(48 * 40));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 48; ++x)
            px[size_t(y * 48 + x)] = x < 24 ? PremultiplyColor(0xA0C8783Cu) : 0u;
    const std::vector<uint32_t> out = Paint(ImageFromPixels(48, 40, px), 50, 30, 25, 60, 70, 12);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 48; ++x) {
            const uint32_t p = out[size_t(y * 48 + x)];
            ASSERT_EQ(p >> 24, x < 24 ? 160u : 0u) << x << "," << y;
            ASSERT_LE(ColorR(p), p >> 24);
            ASSERT_LE(ColorG(p), p >> 24);
            ASSERT_LE(ColorB(p), p >> 24);
        }
    for (uint32_t p : Paint(SolidImage(20, 20, 0u), 50, 30, 25, 60, 70, 1))
        ASSERT_EQ(p, 0u);
}

TEST(Ollivander, EraseOffWithTheSourceAsResultKeepsEveryStrokeOut)
{
    // Trial mode from the first round: no stroke can beat a canvas equal to
    // the source, so only the light sharpening and the saturation remain.
    FakeHost host;
    host.FEraseBdChecked = false;
    const ISkImage source = Still(64, 48);
    host.FSkImage = source;
    const std::vector<uint32_t> out = Paint(source, 50, 30, 25, 60, 70, 5);

    const ISkSurface expected = SkSurface::MakeRaster(64, 48);
    expected->getCanvas()->drawImage(source, 0, 0);
    SharpenSurface(nullptr, expected, 10);
    VibrancePopInPlace(expected, 0, 20, 0, 0, 100, false);
    EXPECT_EQ(out, AllPixels(expected->makeImageSnapshot()));
    test::DrainEvents();
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 101);
}

TEST(Ollivander, EraseOffMovesAnEarlierResultTowardsTheSource)
{
    FakeHost host;
    host.FEraseBdChecked = false;
    const ISkImage source = Still(96, 72);
    const ISkImage grey = SolidImage(96, 72, 0xFF808080u);
    host.FSkImage = grey;
    // P4 = 50: no saturation change, so the distances compare strokes only.
    const std::vector<uint32_t> out = Paint(source, 50, 30, 25, 50, 70, 9);
    const std::vector<uint32_t> in = AllPixels(source);
    EXPECT_LT(Distance(out, in), Distance(AllPixels(grey), in) * 3 / 4);
}

TEST(Ollivander, PreviewStartsErasedAndEndsWith101)
{
    FakeHost host;
    host.FEraseBdChecked = false; // previews ignore the switch
    host.FSkImage = SolidImage(40, 30, 0xFF000000u);
    PreviewScope scope(true, host.FPreviewGeneration.load());
    const std::vector<uint32_t> out = Paint(Still(40, 30), 50, 30, 25, 60, 70, 6, true);
    test::DrainEvents();
    ASSERT_FALSE(host.previewPercents.empty());
    EXPECT_EQ(host.previewPercents.back(), 101);
    EXPECT_TRUE(host.progress.empty());
    for (uint32_t p : out)
        ASSERT_EQ(p >> 24, 255u);
}

TEST(Ollivander, CancelledRunAborts)
{
    FakeHost host;
    host.Cancel = true;
    const ISkSurface dest = SkSurface::MakeRaster(30, 20);
    EXPECT_THROW(Ollivander(Still(30, 20), dest, 50, 30, 25, 60, 70, false), EAbort);
}

} // namespace
} // namespace pv
