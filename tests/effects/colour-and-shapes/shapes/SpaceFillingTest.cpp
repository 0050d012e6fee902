#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/shapes/SpaceFilling.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace pv {
namespace {

using Shape = SpaceFillingShape;
constexpr Shape kShapes[] = {Shape::Square, Shape::Circle, Shape::Triangle};
constexpr int kEffectOf[] = {500, 502, 503};
constexpr float kDeg = 3.14159265f / 180.0f;

// Fixes the worker count for a test and restores the default afterwards.
struct FixedWorkers {
    explicit FixedWorkers(int n) { SetSpaceFillingWorkers(n); }
    ~FixedWorkers() { SetSpaceFillingWorkers(0); }
};

TEST(SpaceFilling, DerivedValuesAtDefaultsAndLimits)
{
    struct Case {
        Shape shape;
        int P1, P2, P3, P5;
        bool preview;
        int trials;
        float hmax, hmin;
        int quality, levels;
    };
    const Case cases[] = {
        {Shape::Square, 20, 20, 80, 25, true, 4100, 48.4f, 2.8f, 6, 40},
        {Shape::Square, 20, 20, 80, 25, false, 4100, 32.2667f, 1.8667f, 6, 40},
        {Shape::Circle, 20, 30, 80, 25, true, 4100, 48.4f, 3.45f, 1, 37},
        {Shape::Circle, 20, 30, 80, 25, false, 4100, 32.2667f, 2.3f, 1, 37},
        {Shape::Triangle, 10, 30, 50, 25, true, 2300, 31.0f, 3.45f, 6, 31},
        {Shape::Triangle, 10, 30, 50, 25, false, 2300, 20.6667f, 2.3f, 6, 31},
        {Shape::Square, 20, 100, 100, 0, true, 4100, 60.0f, 8.0f, 4, 28},
        {Shape::Square, 20, 100, 100, 100, false, 4100, 40.0f, 5.3333f, 14, 28},
        {Shape::Square, 20, 100, 0, 5, true, 4100, 2.0f, 1.5f, 4, 4},  // Hmin above 0.7 Hmax
        {Shape::Square, 20, 100, 0, 6, false, 4100, 1.3333f, 1.0f, 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.shape) << " P2=" << c.P2 << " P3=" << c.P3 << " preview=" << c.preview);
        const SpaceFillingValues v = SpaceFillingParameters(c.shape, c.P1, c.P2, c.P3, 35, c.P5, 1000, 800, c.preview);
        EXPECT_EQ(v.Trials, c.trials);
        EXPECT_NEAR(v.Hmax, c.hmax, 1e-3);
        EXPECT_NEAR(v.Hmin, c.hmin, 1e-3);
        EXPECT_EQ(v.Quality, c.quality);
        EXPECT_EQ(v.Levels, c.levels);
        EXPECT_FLOAT_EQ(v.T0, 45.25f * 45.25f);
    }
    // The largest size is held to 0.45 of the shorter side; a 4 x 4 picture still runs.
    EXPECT_FLOAT_EQ(SpaceFillingParameters(Shape::Square, 20, 20, INT_MAX, 35, 25, 300, 120, true).Hmax, 54.0f);
    EXPECT_NEAR(SpaceFillingParameters(Shape::Square, 20, 20, 80, 35, 25, 4, 4, true).Hmax, 1.8f, 1e-6);
}

TEST(SpaceFilling, CandidateSearchGrowsWithThePicturesArea)
{
    // The area against 12 megapixels; a preview counts its crop, not the
    // enlarged working picture.
    struct Area {
        int w, h;
        bool preview;
        double scale;
    };
    const Area areas[] = {
        {4000, 3000, false, 1.0}, {2000, 1500, false, 0.25}, {8000, 3000, false, 2.0},
        {6000, 4500, true, 1.0},  {338, 338, true, 338.0 * 338.0 / 2.25 / 12e6},
    };
    for (const Area& a : areas)
        EXPECT_DOUBLE_EQ(SpaceFillingParameters(Shape::Square, 20, 20, 80, 35, 25, a.w, a.h, a.preview).AreaScale,
                         a.scale)
            << a.w << "x" << a.h;

    struct Trials {
        double unscaled, scale;
        int trials;
    };
    const Trials trials[] = {
        {4100, 1.0, 4100},  {4100, 0.25, 1025}, {4100, 2.0, 8200},   // in proportion
        {4100, 0.001, 64},  {40, 0.001, 40},    {0, 0.5, 0},         // never below 64 or the count itself
        {1e7, 1.0, 4194304},                                          // nor beyond the cap
    };
    for (const Trials& t : trials)
        EXPECT_EQ(SpaceFillingLevelTrials(t.unscaled, t.scale), t.trials) << t.unscaled << " x " << t.scale;
}

TEST(SpaceFilling, ScriptSizedParametersStayRunnable)
{
    for (const Shape shape : kShapes) {
        // Without a floor, P2 <= -24 makes the smallest size negative and the
        // level loop would shrink the size for ever.
        for (const int P2 : {-24, -1000, INT_MIN, INT_MAX}) {
            for (const int P3 : {-1000, 0, 80, INT_MAX}) {
                for (const bool preview : {true, false}) {
                    const SpaceFillingValues v = SpaceFillingParameters(shape, 20, P2, P3, 35, 25, 4000, 3000, preview);
                    EXPECT_GE(v.Hmin, 1.0f);
                    EXPECT_GE(v.Levels, 1);
                    EXPECT_LE(v.Levels, 200);
                    EXPECT_EQ(v.Levels, SpaceFillingLevelCount(v.Hmax, v.Hmin));
                }
            }
        }
        // Trial counts are never negative and never beyond what memory and time allow.
        EXPECT_EQ(SpaceFillingParameters(shape, -3, 20, 80, 35, 25, 100, 100, true).Trials, 0);
        EXPECT_EQ(SpaceFillingParameters(shape, INT_MIN, 20, 80, 35, 25, 100, 100, true).Trials, 0);
        EXPECT_EQ(SpaceFillingParameters(shape, INT_MAX, 20, 80, 35, 25, 100, 100, true).Trials, 1000000);
        EXPECT_EQ(SpaceFillingParameters(shape, 100, 20, 80, 35, 25, 100, 100, true).Trials, 18500);
        for (const int P5 : {INT_MIN, -100, INT_MAX}) {
            const int q = SpaceFillingParameters(shape, 20, 20, 80, 35, P5, 100, 100, true).Quality;
            EXPECT_GE(q, 1);
            EXPECT_LE(q, 64);
        }
    }
    EXPECT_EQ(SpaceFillingLevelCount(-5.0f, 2.0f), 1);
    EXPECT_EQ(SpaceFillingLevelCount(2.0f, -100.0f), 10); // 2 .. 1.04, the floor of 1 holds
}

TEST(SpaceFilling, ScriptSizedParametersFinish)
{
    // Whole runs with values no slider gives: the level loop ends, no trial
    // count goes negative, and the picture is still filled (by the gap filler
    // when no level runs).
    struct Case {
        int P1, P2, P3, P4, P5;
    };
    const ISkImage image = test::GradientPicture(40, 30);
    FixedWorkers workers(2);
    for (const Shape shape : kShapes)
        for (const Case c : {Case{-1000, INT_MIN, INT_MAX, INT_MAX, INT_MIN}, Case{INT_MIN, -24, -1000, INT_MIN, INT_MAX},
                             Case{0, -30, 80, 35, 1000}}) {
            SCOPED_TRACE(testing::Message() << int(shape) << " P1=" << c.P1 << " P2=" << c.P2 << " P3=" << c.P3);
            for (const bool preview : {false, true}) {
                const ISkSurface dest = SkSurface::MakeRaster(40, 30);
                const SpaceFillingStats stats = RunSpaceFilling(shape, image, dest, c.P1, c.P2, c.P3, c.P4, c.P5, preview);
                EXPECT_LE(stats.LevelsRun, stats.Levels);
                EXPECT_GT(stats.Shapes, 0);
                EXPECT_EQ(test::PixelAt(dest, 20, 15) >> 24, 0xFFu);
            }
        }
}

TEST(SpaceFilling, RotationSets)
{
    struct Case {
        float half;
        int q, count;
    };
    for (const Case c : {Case{2, 14, 1}, Case{2.01f, 14, 14}, Case{5, 4, 4}, Case{5.01f, 14, 5}, Case{12, 4, 4},
                         Case{12.5f, 14, 3}, Case{25, 4, 3}, Case{25.01f, 14, 1}})
        EXPECT_EQ(RotationsForSize(c.half, c.q), c.count) << c.half << " q=" << c.q;

    auto degrees = [](Shape shape, float half, int q) {
        std::vector<float> out;
        for (float a : SpaceFillingAngles(shape, half, q))
            out.push_back(std::round(a / kDeg * 10.0f) / 10.0f);
        return out;
    };
    using V = std::vector<float>;
    EXPECT_EQ(degrees(Shape::Square, 10, 4), (V{0, 22.5f, 45, 67.5f}));
    EXPECT_EQ(degrees(Shape::Square, 20, 4), (V{0, 30, 60}));
    EXPECT_EQ(degrees(Shape::Triangle, 10, 4), (V{0, 30, 60, 90}));
    EXPECT_EQ(degrees(Shape::Triangle, 20, 4), (V{0, 40, 80}));
    EXPECT_EQ(degrees(Shape::Square, 4, 14).size(), 14u);
    EXPECT_TRUE(degrees(Shape::Square, 30, 14).empty()); // one random angle
    EXPECT_TRUE(degrees(Shape::Square, 2, 14).empty());  // axis-aligned
    EXPECT_TRUE(degrees(Shape::Circle, 4, 14).empty());
}

TEST(SpaceFilling, OutlineWidths)
{
    EXPECT_FLOAT_EQ(SpaceFillingOutlineWidth(Shape::Square, 4), 0.5f);
    EXPECT_FLOAT_EQ(SpaceFillingOutlineWidth(Shape::Square, 25), 2.0f);
    EXPECT_FLOAT_EQ(SpaceFillingOutlineWidth(Shape::Circle, 10), 2.5f);
    EXPECT_FLOAT_EQ(SpaceFillingOutlineWidth(Shape::Circle, 40), 3.2f);
    EXPECT_FLOAT_EQ(SpaceFillingOutlineWidth(Shape::Triangle, 30), 2.4f);
}

TEST(SpaceFilling, LevelStreakEndsTwelveLevelsAfterTheLastAcceptance)
{
    // Levels that accept nothing before the first acceptance never end the run.
    LevelStreak before;
    for (int i = 0; i < 30; ++i)
        EXPECT_FALSE(before.LevelDone(0));

    LevelStreak streak;
    EXPECT_FALSE(streak.LevelDone(5));
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(streak.LevelDone(0));
    EXPECT_FALSE(streak.LevelDone(1)); // an acceptance starts the count again
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(streak.LevelDone(0));
    streak.IslandPlaced(); // flat-area placements do not reset the count
    EXPECT_TRUE(streak.LevelDone(0));

    LevelStreak islandsOnly;
    islandsOnly.IslandPlaced();
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(islandsOnly.LevelDone(0));
    EXPECT_TRUE(islandsOnly.LevelDone(0));
}

TEST(SpaceFilling, TinyPicturesAreLeftAsTheyWere)
{
    for (const int effect : kEffectOf) {
        test::FakeHost host;
        const ISkSurface dest = test::RunColourEffect(effect, test::SolidImage(3, 100, 0xFF336699u), 20, 20, 80, 35, 25);
        test::DrainEvents();
        for (uint32_t p : test::SurfacePixels(dest))
            ASSERT_EQ(p, 0xFF336699u) << effect;
        EXPECT_TRUE(host.progress.empty()) << effect;

        test::FakeHost host4;
        const ISkSurface dest4 = test::RunColourEffect(effect, test::SolidImage(4, 4, 0xFF336699u), 20, 20, 80, 35, 25);
        test::DrainEvents();
        ASSERT_FALSE(host4.progress.empty());
        EXPECT_EQ(host4.progress.back(), 101) << effect;
        EXPECT_EQ(test::PixelAt(dest4, 2, 2) >> 24, 0xFFu) << effect;
    }
}

TEST(SpaceFilling, TransparentHalfStartsCoveredAndStaysEmpty)
{
    const int w = 64, h = 48;
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(x < w / 2 ? 0u : MakeColor(255, uint8_t(60 + 2 * x), uint8_t(40 + 3 * y), 90));
    const ISkImage image = test::ImageFromPixels(w, h, px);
    FixedWorkers workers(3);
    for (const Shape shape : kShapes) {
        SCOPED_TRACE(int(shape));
        const ISkSurface dest = SkSurface::MakeRaster(w, h);
        const SpaceFillingStats stats = RunSpaceFilling(shape, image, dest, 0, 20, 80, 35, 25, false);
        EXPECT_EQ(stats.StartCovered, int64_t(w / 2) * h);
        EXPECT_GT(stats.Covered - stats.StartCovered, int64_t(w / 2) * h / 2);
        // The canvas starts transparent (the picture has transparency), and
        // only the right half receives shapes.
        const std::vector<uint32_t> out = test::SurfacePixels(dest);
        int drawnRight = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (x < w / 2 - 1)
                    ASSERT_EQ(out[size_t(y * w + x)], 0u) << x << "," << y;
                else if (x > w / 2 && out[size_t(y * w + x)] != 0)
                    ++drawnRight;
            }
        EXPECT_GT(drawnRight, (w / 2 - 1) * h / 2);
    }
}

TEST(SpaceFilling, OpaquePreviewCropsOfEverySizeStayOpaque)
{
    // A preview enlarges the crop 1.5 times into a rounded size; crops whose
    // side is 1 mod 4 (225 -> 337.5 in 338 pixels) must not count as translucent.
    FixedWorkers workers(4);
    for (const auto& [w, h] : {std::pair{224, 227}, std::pair{225, 226}, std::pair{226, 225}, std::pair{227, 224}}) {
        const ISkImage image = test::GradientPicture(w, h);
        for (const Shape shape : kShapes) {
            SCOPED_TRACE(testing::Message() << int(shape) << " " << w << "x" << h);
            const ISkSurface dest = SkSurface::MakeRaster(w, h);
            const SpaceFillingStats stats = RunSpaceFilling(shape, image, dest, 0, 100, 0, 100, 0, true);
            EXPECT_EQ(stats.StartCovered, 0);
            for (const uint32_t p : test::SurfacePixels(dest))
                ASSERT_EQ(p >> 24, 0xFFu);
        }
    }
}

TEST(SpaceFilling, RunsAreReproducibleAndIndependentOfThePoolSize)
{
    const ISkImage image = test::GradientPicture(60, 45);
    FixedWorkers workers(4);
    for (const Shape shape : kShapes) {
        SCOPED_TRACE(int(shape));
        for (const bool preview : {false, true}) {
            auto run = [&] {
                const ISkSurface dest = SkSurface::MakeRaster(60, 45);
                SetRandSeed(uint32_t(RandSeed() * 7 + 1)); // the process-wide generator plays no part
                RunSpaceFilling(shape, image, dest, 0, 20, 80, 35, 25, preview);
                return test::SurfacePixels(dest);
            };
            const auto [one, eight] = test::OnOneAndEightWorkers(run);
            EXPECT_EQ(one, eight);
            EXPECT_EQ(one, run());
        }
    }
}

TEST(SpaceFilling, WorkerCountChangesTheSeedsNotTheCoverage)
{
    const ISkImage image = test::GradientPicture(120, 90);
    auto run = [&](int workers) {
        FixedWorkers fixed(workers);
        const ISkSurface dest = SkSurface::MakeRaster(120, 90);
        const SpaceFillingStats stats = RunSpaceFilling(Shape::Square, image, dest, 0, 20, 80, 35, 25, false);
        return std::pair{test::SurfacePixels(dest), stats};
    };
    const auto [a, statsA] = run(1);
    const auto [b, statsB] = run(5);
    EXPECT_NE(a, b);
    EXPECT_GT(statsA.Covered, 120 * 90 * 8 / 10);
    EXPECT_GT(statsB.Covered, 120 * 90 * 8 / 10);
}

TEST(SpaceFilling, DiscsIgnoreQualityAndShapesAreFlatColoured)
{
    const ISkImage image = test::GradientPicture(100, 80);
    FixedWorkers workers(2);
    const auto low = test::SurfacePixels(test::RunColourEffect(502, image, 0, 30, 80, 35, 0));
    const auto high = test::SurfacePixels(test::RunColourEffect(502, image, 0, 30, 80, 35, 100));
    EXPECT_EQ(low, high);

    // Shapes far larger than the sliders allow (64-bit colour sums).
    for (const Shape shape : kShapes) {
        const ISkSurface dest = SkSurface::MakeRaster(400, 300);
        const SpaceFillingStats stats =
            RunSpaceFilling(shape, test::SolidImage(400, 300, 0xFF4080C0u), dest, 0, 20, 1000, 35, 25, false);
        const std::vector<uint32_t> out = test::SurfacePixels(dest);
        EXPECT_GT(std::count(out.begin(), out.end(), 0xFF4080C0u), 400 * 300 / 2) << int(shape);
        EXPECT_LT(stats.Shapes, 400 * 300 / 20) << int(shape);
    }

    // A flat picture: every shape takes its colour (pixels between shapes
    // keep the white canvas or blend with it at a shape's edge), and the big
    // flat area is filled by few large shapes.
    for (const Shape shape : kShapes) {
        SCOPED_TRACE(int(shape));
        const ISkSurface dest = SkSurface::MakeRaster(200, 150);
        const SpaceFillingStats stats =
            RunSpaceFilling(shape, test::SolidImage(200, 150, 0xFF4080C0u), dest, 0, 20, 80, 35, 25, false);
        int exact = 0;
        for (uint32_t p : test::SurfacePixels(dest)) {
            ASSERT_EQ(p >> 24, 0xFFu);
            ASSERT_GE(ColorR(p), 0x40);
            ASSERT_GE(ColorG(p), 0x80);
            ASSERT_GE(ColorB(p), 0xC0);
            exact += p == 0xFF4080C0u ? 1 : 0;
        }
        EXPECT_GT(exact, 200 * 150 / 2);
        EXPECT_LT(stats.Shapes, 200 * 150 / 20);
    }
}

TEST(SpaceFilling, OutlinesInTheContourColourAreBlendedAtItsAlpha)
{
    const ISkImage image = test::SolidImage(100, 80, 0xFF2040C0u);
    FixedWorkers workers(2);
    for (const int effect : kEffectOf) {
        SCOPED_TRACE(effect);
        auto reddish = [&](bool outlines) {
            test::FakeHost host;
            host.FDrawContourChecked = outlines;
            host.FContourColor = 0x80FF0000u;
            int count = 0;
            for (uint32_t p : test::SurfacePixels(test::RunColourEffect(effect, image, 0, 20, 80, 35, 25))) {
                EXPECT_NE(p, 0xFFFF0000u); // never the outline's own colour: it is blended at alpha 128
                count += ColorR(p) > ColorB(p) ? 1 : 0;
            }
            return count;
        };
        EXPECT_EQ(reddish(false), 0);
        EXPECT_GT(reddish(true), 100);
    }
}

TEST(SpaceFilling, LevelLoopStopsTwelveLevelsAfterTheLastAcceptance)
{
    // Left: flat, right: two-pixel stripes no shape can represent (edges
    // everywhere, high variance). Once the flat part is filled, the levels
    // accept nothing and the run ends twelve levels later, long before the
    // smallest size (the size passes keep their own streak of empty sub-passes).
    const int w = 160, h = 60;
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(x < 40 || ((x / 2) & 1) == 0 ? 0xFF000000u : 0xFFFFFFFFu);
    FixedWorkers workers(2);
    for (const Shape shape : kShapes) {
        SCOPED_TRACE(int(shape));
        const ISkSurface dest = SkSurface::MakeRaster(w, h);
        const SpaceFillingStats stats =
            RunSpaceFilling(shape, test::ImageFromPixels(w, h, px), dest, 0, 20, 80, 35, 25, true);
        ASSERT_EQ(int(stats.AcceptedPerLevel.size()), stats.LevelsRun);
        ASSERT_EQ(int(stats.IslandsPerLevel.size()), stats.LevelsRun);
        EXPECT_LT(stats.LevelsRun, stats.Levels - 10);
        // The run ends exactly where the stopping rule says.
        LevelStreak replay;
        int stoppedAt = -1;
        for (int i = 0; i < stats.LevelsRun && stoppedAt < 0; ++i) {
            if (stats.IslandsPerLevel[size_t(i)] > 0)
                replay.IslandPlaced();
            if (replay.LevelDone(stats.AcceptedPerLevel[size_t(i)]))
                stoppedAt = i;
        }
        EXPECT_EQ(stoppedAt, stats.LevelsRun - 1);
    }
}

} // namespace
} // namespace pv
