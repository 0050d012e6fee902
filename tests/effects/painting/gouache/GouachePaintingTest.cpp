#include "engine/FakeHost.h"

#include "effects/painting/gouache/GouachePainting.h"
#include "effects/painting/gouache/GouacheRun.h"
#include "engine/VibrancePop.h"
#include "platform/system/Numbers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tbb/task_arena.h>

#include <climits>
#include <cmath>
#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::FakeHost;
using test::SolidImage;

// A small photograph-like picture: gradients, a dark diagonal band, a disc and
// some noise, with the given alpha everywhere (premultiplied).
ISkImage Scene(int w, int h, uint32_t alpha = 255)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int n = int(((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) % 11u) - 5;
            int r = 60 + 150 * x / w + n, g = 90 + 120 * y / h + n, b = 200 - 100 * x / w + n;
            if (std::abs(x - y) < w / 8) {
                r = 40 + n;
                g = 50 + n;
                b = 30 + n;
            }
            if ((x - 3 * w / 4) * (x - 3 * w / 4) + (y - h / 4) * (y - h / 4) < (h / 6) * (h / 6)) {
                r = 250;
                g = 220;
                b = 120;
            }
            auto pm = [&](int c) { return uint32_t(Clamp(c, 0, 255)) * alpha / 255; };
            px[size_t(y) * size_t(w) + size_t(x)] = (alpha << 24) | (pm(r) << 16) | (pm(g) << 8) | pm(b);
        }
    return SkImage::MakeRasterCopy(px.data(), w, h, size_t(w) * 4);
}

std::vector<uint32_t> Paint(const ISkImage& source, int P1 = 70, int P2 = 25, int P3 = 25, int P4 = 50, int P5 = 30,
                            uint32_t seed = 20261210u, bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    SetRandSeed(seed);
    ProcessEffectOnSurface(source, dest, 308, P1, P2, P3, P4, P5, preview);
    return AllPixels(dest->makeImageSnapshot());
}

bool ValidPremultiplied(uint32_t p)
{
    const uint32_t a = p >> 24;
    return ((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a;
}

TEST(GouacheParams, DerivedValues)
{
    struct Case {
        int P1, P2, P3, P4, P5, w, h;
        int L, B, F, g;
        int64_t S;
        int E, c, e, StrokeAmp, t;
        float s;
        int k;
    };
    const Case cases[] = {
        // Defaults on the 12-megapixel reference: B = Round(587.5) = 588 (half to even).
        {70, 25, 25, 50, 30, 4000, 3000, 6, 588, 18, 12, 40000, 475, 6, 3800, 24, 14, 1.0f, 158},
        {0, 0, 0, 0, 0, 9, 9, 3, 6, 6, 6, 1000, 600, 7, 6000, 0, 6, 1.0f, 86},
        {100, 100, 100, 100, 100, 640, 480, 8, 292, 6, 6, 1024, 100, 3, 400, 48, 22, 2.0f, 230},
        // Strokes start at strength 3.
        {50, 50, 50, 2, 0, 100, 100, 5, 28, 6, 6, 1000, 350, 5, 2450, 0, 6, 1.0f, 89},
        {50, 50, 50, 3, 0, 100, 100, 5, 28, 6, 6, 1000, 350, 5, 2450, 1, 6, 1.0f, 90},
        // Script-sized values: clamped, and the height strength does not overflow.
        {INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MIN, 100, 100, 3, 52, 13, 12, 1000, 600, 7, 6000, 48, 22, 2.0f, 240},
        {INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX, 100, 100, 8, 6, 6, 6, 1000, 100, 3, 400, 0, 6, 1.0f, 0},
    };
    for (const Case& c : cases) {
        const GouacheParams p = ComputeGouacheParams(c.P1, c.P2, c.P3, c.P4, c.P5, c.w, c.h, c.w, c.h);
        SCOPED_TRACE(testing::Message() << c.P1 << "," << c.P2 << "," << c.P3 << "," << c.P4 << " " << c.w << "x"
                                        << c.h);
        EXPECT_EQ(p.L, c.L);
        EXPECT_EQ(p.B, c.B);
        EXPECT_EQ(p.F, c.F);
        EXPECT_EQ(p.g, c.g);
        EXPECT_EQ(p.S, c.S);
        EXPECT_EQ(p.E, c.E);
        EXPECT_EQ(p.c, c.c);
        EXPECT_EQ(p.e, c.e);
        EXPECT_EQ(p.StrokeAmp, c.StrokeAmp);
        EXPECT_EQ(p.t, c.t);
        EXPECT_FLOAT_EQ(p.s, c.s);
        EXPECT_EQ(p.k, c.k);
    }
    // A preview of part of the picture uses the full picture's blob sizes.
    EXPECT_EQ(ComputeGouacheParams(70, 25, 25, 50, 30, 400, 300, 4000, 3000).B, 588);
}

TEST(GouacheParams, LayerValues)
{
    // With B = 6 and 8 layers every layer radius is at least 3.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(GouacheLayerRadius(6, i), i == 0 ? 6 : 3);
    EXPECT_EQ(GouacheLayerRadius(588, 5), 18);
    // 2.5 w h / R^2 = 86.8 -> 87, doubled while everything is unpainted, capped by S.
    EXPECT_EQ(GouacheSeedCapacity(4000, 3000, 588, 12000000, 40000), 174);
    EXPECT_EQ(GouacheSeedCapacity(4000, 3000, 588, 0, 40000), 87);
    EXPECT_EQ(GouacheSeedCapacity(4000, 3000, 18, 6000000, 40000), 40000);
    EXPECT_EQ(GouacheSeedCapacity(9, 9, 6, 81, 1000), 12);
    const std::pair<int, int> penalty[] = {{0, 240}, {1, 192}, {4, 48}, {5, 0}};
    for (auto [i, v] : penalty)
        EXPECT_EQ(GouacheCoveragePenalty(6, i), v);
    EXPECT_EQ(GouacheAcceptancePercent(6, 0), 90);
    EXPECT_EQ(GouacheAcceptancePercent(6, 3), 96);
    EXPECT_EQ(GouacheAcceptancePercent(6, 5), 100);
}

TEST(GouachePainting, TinyPicturesAreLeftAloneFromFourByFourOn)
{
    struct Case {
        int w, h;
        bool painted;
    };
    const Case cases[] = {{3, 3, false}, {1000, 3, false}, {3, 50, false}, {4, 4, true}, {9, 9, true}};
    for (const Case& c : cases) {
        FakeHost host;
        const ISkSurface dest = SkSurface::MakeRaster(c.w, c.h);
        dest->getCanvas()->clear(0xFF102030u);
        ProcessEffectOnSurface(Scene(c.w, c.h), dest, 308, 70, 25, 25, 50, 30, false);
        test::DrainEvents();
        const std::vector<uint32_t> out = AllPixels(dest->makeImageSnapshot());
        if (!c.painted) {
            EXPECT_EQ(out, std::vector<uint32_t>(out.size(), 0xFF102030u)) << c.w << "x" << c.h;
            EXPECT_TRUE(host.progress.empty()) << c.w << "x" << c.h;
            continue;
        }
        for (uint32_t p : out)
            ASSERT_EQ(p >> 24, 255u) << c.w << "x" << c.h;
        EXPECT_NE(out, std::vector<uint32_t>(out.size(), 0xFF102030u));
        ASSERT_FALSE(host.progress.empty());
        EXPECT_EQ(host.progress.back(), 101);
    }
}

TEST(GouachePainting, PaintsThePictureInItsOwnColours)
{
    const ISkImage source = Scene(96, 72);
    const std::vector<uint32_t> out = Paint(source);
    const std::vector<uint32_t> in = AllPixels(source);
    // Every pixel is paint (no white left), and the painting stays near the source.
    int64_t distance = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i] >> 24, 255u);
        for (int shift = 0; shift <= 16; shift += 8)
            distance += std::abs(int((out[i] >> shift) & 0xFF) - int((in[i] >> shift) & 0xFF));
    }
    EXPECT_LT(double(distance) / double(out.size() * 3), 40.0);
}

TEST(GouachePainting, SeededRunsRepeatOnAnyPoolSize)
{
    const ISkImage source = Scene(160, 120);
    SetGouachePoolWorkers(1);
    const std::vector<uint32_t> one = Paint(source);
    const std::vector<uint32_t> again = Paint(source);
    SetGouachePoolWorkers(0);
    EXPECT_EQ(GouachePoolWorkers(), 8);
    const std::vector<uint32_t> eight = Paint(source);
    EXPECT_EQ(one, again);
    EXPECT_EQ(one, eight);
    EXPECT_NE(one, Paint(source, 70, 25, 25, 50, 30, 7u)) << "another seed paints other blobs";
}

TEST(GouachePainting, TheSharedPoolsWorkerCountReachesItsPool)
{
    const ISkImage source = Scene(160, 120);
    const std::vector<uint32_t> own = Paint(source);
    SetSharedPoolWorkers(1);
    int seen = 0;
    GouachePool().execute([&] { seen = tbb::this_task_arena::max_concurrency(); });
    const std::vector<uint32_t> one = Paint(source);
    SetSharedPoolWorkers(0);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(GouachePoolWorkers(), 8);
    EXPECT_EQ(one, own);
}

TEST(GouachePainting, TransparentSourcesKeepTheirAlphaAndValidPixels)
{
    EXPECT_EQ(Paint(SolidImage(16, 16, 0)), std::vector<uint32_t>(256, 0u)) << "nothing is painted";

    // The painted colour is re-premultiplied with the source's alpha.
    for (uint32_t alpha : {200u, 128u, 1u}) {
        const ISkImage source = Scene(40, 30, alpha);
        const std::vector<uint32_t> out = Paint(source);
        for (uint32_t p : out) {
            ASSERT_EQ(p >> 24, alpha);
            ASSERT_TRUE(ValidPremultiplied(p)) << std::hex << p;
        }
    }

    // A transparent hole stays transparent, its surroundings are painted.
    std::vector<uint32_t> px = AllPixels(Scene(40, 30));
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            px[size_t(y * 40 + x)] = 0;
    const std::vector<uint32_t> out = Paint(test::ImageFromPixels(40, 30, px));
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i] >> 24, px[i] >> 24) << i;
}

TEST(GouachePainting, EraseOffStartsFromThePreviousResult)
{
    const ISkImage source = Scene(64, 48);
    FakeHost host;
    host.FSkSourceImage = source;
    host.FEraseBdChecked = false;
    // The previous result is the source itself: no seed differs enough from
    // it, so nothing is painted and only the vibrance pass acts.
    host.FSkImage = source;
    const std::vector<uint32_t> out = Paint(source, 70, 25, 25, 50, 0);
    const VibranceFactors f = MakeVibranceFactors(12, 0, 0, 40, 100);
    const std::vector<uint32_t> in = AllPixels(source);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(out[i], VibrancePixel(in[i], f)) << i;

    // A white previous result is repainted like an erased canvas, without gaps
    // left white where the source is not.
    host.FSkImage = SolidImage(64, 48, 0xFFFFFFFFu);
    const std::vector<uint32_t> repainted = Paint(source, 70, 25, 25, 50, 0);
    EXPECT_NE(repainted, std::vector<uint32_t>(repainted.size(), 0xFFFFFFFFu));

    // A smaller previous result leaves defined (zero) pixels where it does
    // not reach, and every pixel a valid premultiplied one.
    host.FSkImage = SolidImage(20, 10, 0xFF808080u);
    for (uint32_t p : Paint(source, 70, 25, 25, 50, 30))
        ASSERT_TRUE(ValidPremultiplied(p));

    // A preview ignores the switch and starts from white.
    const std::vector<uint32_t> preview = Paint(source, 70, 25, 25, 50, 0, 20261210u, true);
    host.FEraseBdChecked = true;
    EXPECT_EQ(preview, Paint(source, 70, 25, 25, 50, 0));
}

TEST(GouachePainting, TranslucentPreviousResultStaysValid)
{
    // The left half of the source matches the translucent previous result and
    // is never repainted; the relief of the paint on the right half lightens
    // the pixels along the border, which must stay within their alpha.
    std::vector<uint32_t> px(64 * 48);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = i % 64 < 32 ? 0xFF303030u : 0xFFC83C3Cu;
    const ISkImage source = test::ImageFromPixels(64, 48, px);
    FakeHost host;
    host.FSkSourceImage = source;
    host.FEraseBdChecked = false;
    host.FSkImage = SolidImage(64, 48, 0x40303030u);
    const std::vector<uint32_t> out = Paint(source, 70, 25, 25, 100, 100);
    for (uint32_t p : out)
        ASSERT_TRUE(ValidPremultiplied(p)) << std::hex << p;
    EXPECT_EQ(out[0] >> 24, 0x40u) << "the previous result shows where nothing was painted";
}

TEST(GouachePainting, LayersShownOverATranslucentStartStayValid)
{
    // Strokes and relief can lift the colour of a translucent pixel of the
    // previous result above its alpha; the picture shown holds it there.
    GouacheRun run;
    run.allocate(2, 1);
    run.dest = SkSurface::MakeRaster(2, 1);
    run.Work[0] = 0x40645020u;
    run.Work[1] = 0xFF645020u;
    ShowGouacheWork(run);
    EXPECT_EQ(test::PixelAt(run.dest, 0, 0), 0x40404020u);
    EXPECT_EQ(test::PixelAt(run.dest, 1, 0), 0xFF645020u);
}

TEST(GouachePainting, HeadlessDumpsOneSeedListAndGreymapPerLayer)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<uint32_t> px = AllPixels(Scene(48, 36));
    px[0] = 0; // a transparent pixel is never painted
    const ISkImage source = test::ImageFromPixels(48, 36, px);

    SetDebugOutputDir(dir.path().toStdString()); // no trailing delimiter: one is added
    Paint(source, 40, 25, 25, 50, 30);           // L = 40 * 5 div 100 + 3 = 5
    SetDebugOutputDir({});
    for (int i = 0; i < 5; ++i) {
        QFile seeds(dir.filePath(QStringLiteral("wcpoc_seeds_p%1.txt").arg(i)));
        ASSERT_TRUE(seeds.open(QIODevice::ReadOnly)) << i;
        const QByteArray text = seeds.readAll();
        ASSERT_FALSE(text.isEmpty());
        EXPECT_TRUE(text.endsWith("\r\n"));
        int64_t lastScore = INT64_MAX;
        for (const QByteArray& line : text.split('\n')) {
            if (line.isEmpty())
                continue;
            const QList<QByteArray> fields = line.chopped(1).split(' ');
            ASSERT_EQ(fields.size(), 4) << line.toStdString();
            EXPECT_EQ(fields[0].toInt(), i);
            EXPECT_LT(fields[1].toInt(), 48);
            EXPECT_LT(fields[2].toInt(), 36);
            EXPECT_LE(fields[3].toLongLong(), lastScore) << "highest score first";
            lastScore = fields[3].toLongLong();
        }
        QFile cov(dir.filePath(QStringLiteral("wcpoc_cov_p%1.pgm").arg(i)));
        ASSERT_TRUE(cov.open(QIODevice::ReadOnly)) << i;
        const QByteArray pgm = cov.readAll();
        ASSERT_TRUE(pgm.startsWith("P5\n48 36\n255\n"));
        ASSERT_EQ(pgm.size(), 13 + 48 * 36);
        if (i == 4) {
            EXPECT_EQ(uint8_t(pgm[13]), 0) << "the transparent pixel";
            for (int k = 14; k < pgm.size(); ++k)
                ASSERT_EQ(uint8_t(pgm[k]), 255) << "after the gap filling everything else is painted";
        }
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("wcpoc_seeds_p5.txt"))));

    // Without the folder nothing is written.
    QTemporaryDir other;
    Paint(source);
    EXPECT_TRUE(QDir(other.path()).isEmpty());
}

TEST(GouachePainting, UnwritableDumpFolderEndsTheRunWithAnError)
{
    SetDebugOutputDir("/nonexistent-gouache-folder/");
    EXPECT_THROW(Paint(Scene(16, 16)), Exception);
    SetDebugOutputDir({});
}

} // namespace
} // namespace pv
