#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/lut/ApplyLUT.h"
#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace pv {
namespace {

using test::ColourChart;
using test::RunColourEffect;
using test::SurfacePixels;

// A main window whose lookup-table choice the test sets.
class LUTHost : public test::FakeHost {
public:
    TLUTSource ChosenLUT() const override { return chosen; }
    TLUTSource chosen;
};

QByteArray CubeText(int n, float (*f)(float), const char* title = "t")
{
    std::string s = std::string("TITLE \"") + title + "\"\nLUT_3D_SIZE " + std::to_string(n) + "\n";
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                s += std::to_string(f(r / (n - 1.0f))) + " " + std::to_string(f(g / (n - 1.0f))) + " " +
                     std::to_string(f(b / (n - 1.0f))) + "\n";
    return QByteArray::fromStdString(s);
}

float Same(float v) { return v; }
float Inverse(float v) { return 1 - v; }

TEST(ApplyLUT, DerivedValues)
{
    const TLUTEffectParams d = ComputeLUTEffectParams(100, 50, 50, 50, 50);
    EXPECT_EQ(d.intensity, 1.0f);
    EXPECT_FALSE(d.adjustOn);
    EXPECT_FALSE(ComputeLUTEffectParams(30, 0, 0, 0, 0).adjustOn);
    EXPECT_EQ(ComputeLUTEffectParams(250, 50, 50, 50, 50).intensity, 1.0f);
    EXPECT_EQ(ComputeLUTEffectParams(-5, 50, 50, 50, 50).intensity, 0.0f);
    const TLUTEffectParams dark = ComputeLUTEffectParams(100, 0, 50, 50, 50);
    EXPECT_TRUE(dark.adjustOn);
    EXPECT_FLOAT_EQ(dark.adjust.brightness, -0.25f);
    EXPECT_FLOAT_EQ(ComputeLUTEffectParams(100, 50, 50, 40, 50).adjust.blurSigma, 2.0f);
    const TLUTEffectParams sharp = ComputeLUTEffectParams(100, 50, 50, 80, 50);
    EXPECT_FLOAT_EQ(sharp.adjust.sharpen, 1.0f);
    EXPECT_EQ(sharp.adjust.blurSigma, 0.0f);
    EXPECT_FLOAT_EQ(ComputeLUTEffectParams(100, 50, 100, 50, 25).adjust.contrast, 2.0f);
    EXPECT_FLOAT_EQ(ComputeLUTEffectParams(100, 50, 100, 50, 25).adjust.saturation, 0.5f);
}

TEST(ApplyLUT, WithoutATableTheSourcePassesAndNothingIsReported)
{
    LUTHost host;
    const ISkImage chart = ColourChart();
    EXPECT_EQ(SurfacePixels(RunColourEffect(404, chart, 100, 50, 50, 50, 50)), test::AllPixels(chart));
    host.chosen.FilePath = QStringLiteral("/nonexistent/look.cube");
    EXPECT_EQ(SurfacePixels(RunColourEffect(404, chart, 100, 50, 50, 50, 50)), test::AllPixels(chart));
    test::DrainEvents();
    EXPECT_TRUE(host.progress.empty());
    host.chosen = {{}, QByteArray("LUT_3D_SIZE 2\n0 0 0\n"), QStringLiteral("broken")};
    EXPECT_EQ(SurfacePixels(RunColourEffect(404, chart, 100, 50, 50, 50, 50)), test::AllPixels(chart));
}

TEST(ApplyLUT, IdentityTableAtNeutralSlidersKeepsEveryPixel)
{
    LUTHost host;
    host.chosen = {{}, CubeText(9, Same), QStringLiteral("identity")};
    const ISkImage chart = ColourChart();
    EXPECT_EQ(SurfacePixels(RunColourEffect(404, chart, 100, 50, 50, 50, 50)), test::AllPixels(chart));
    EXPECT_EQ(SurfacePixels(RunColourEffect(404, chart, 100, 0, 0, 0, 0, true)), test::AllPixels(chart));
}

TEST(ApplyLUT, GradesAndAdjusts)
{
    LUTHost host;
    host.chosen = {{}, CubeText(5, Inverse), QStringLiteral("negative")};
    const ISkImage grey = test::SolidImage(4, 4, 0xFF305070u);
    EXPECT_EQ(test::PixelAt(RunColourEffect(404, grey, 100, 50, 50, 50, 50), 1, 1), 0xFFCFAF8Fu);
    // Luminosity 0 takes a quarter of the range off the graded colour.
    EXPECT_EQ(test::PixelAt(RunColourEffect(404, grey, 100, 0, 50, 50, 50), 1, 1),
              MakeColor(255, 0xCF - 64, 0xAF - 64, 0x8F - 64));
    // Saturation 0: the weighted grey of the graded colour.
    const uint32_t g = test::PixelAt(RunColourEffect(404, grey, 100, 50, 50, 50, 0), 1, 1);
    EXPECT_EQ(ColorR(g), ColorG(g));
    EXPECT_EQ(ColorG(g), ColorB(g));
}

TEST(ApplyLUT, FullRenderReportsAndShowsItsResult)
{
    LUTHost host;
    host.chosen = {{}, CubeText(3, Inverse), QStringLiteral("negative")};
    const ISkImage chart = ColourChart();
    LastProgressTick = 0;
    RunColourEffect(404, chart, 100, 50, 50, 50, 50);
    test::DrainEvents();
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.front(), 5);
    EXPECT_EQ(host.redraws, 1);
    ASSERT_TRUE(host.FSkImage);
    EXPECT_EQ(test::AllPixels(host.FSkImage)[0], 0xFFFFFFFFu); // black became white
}

TEST(ApplyLUT, CancelledRowsStayTransparent)
{
    LUTHost host;
    host.chosen = {{}, CubeText(3, Inverse), QStringLiteral("negative")};
    host.Cancel = true;
    const ISkImage picture = test::GradientPicture(16, 16);
    const ISkSurface dest = SkSurface::MakeRaster(16, 16);
    EXPECT_THROW(ProcessEffectOnSurface(picture, dest, 404, 100, 50, 50, 50, 50, false), EAbort);
    EXPECT_EQ(test::PixelAt(dest, 0, 0), 0u);
}

TEST(ApplyLUT, HeadlessRunsUseTheFirstBuiltInTable)
{
    ASSERT_EQ(EngineHost(), nullptr);
    const ISkImage picture = test::GradientPicture(24, 16);
    const std::vector<uint32_t> out = SurfacePixels(RunColourEffect(404, picture, 100, 50, 50, 50, 50));
    const TCubeLUT first = LoadCubeFromBytes(FirstEmbeddedLUT()->Data);
    const TLUTMapper mapper(first, 1.0f);
    const std::vector<uint32_t> in = test::AllPixels(picture);
    int changed = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(out[i], mapper.MapPixel(in[i]));
        changed += out[i] != in[i];
    }
    EXPECT_GT(changed, int(in.size()) / 2);
}

TEST(ApplyLUT, CacheIsKeyedByContent)
{
    const QByteArray a = CubeText(4, Same, "a"), b = CubeText(4, Inverse, "b");
    const TLUTSource first{{}, a, QStringLiteral("Look")};
    // Same content in a different array (and under another name): parsed once.
    const TLUTSource copy{{}, QByteArray(a.constData(), a.size()), QStringLiteral("Other")};
    const TLUTSource other{{}, b, QStringLiteral("Look")}; // same name, new content
    EXPECT_EQ(LUTCacheKey(first), LUTCacheKey(copy));
    EXPECT_NE(LUTCacheKey(first), LUTCacheKey(other));
    EXPECT_TRUE(LUTCacheKey(first).startsWith(QStringLiteral("D:%1:").arg(a.size())));

    const auto t1 = LoadLUTCached(first);
    ASSERT_TRUE(t1);
    EXPECT_EQ(LoadLUTCached(copy), t1);
    const auto t2 = LoadLUTCached(other);
    ASSERT_TRUE(t2);
    EXPECT_NE(t2, t1);
    EXPECT_FLOAT_EQ(t2->Table[0].R, 1.0f);
    EXPECT_EQ(LoadLUTCached(TLUTSource{{}, QByteArray("garbage"), {}}), nullptr);
    EXPECT_EQ(LoadLUTCached(other), t2); // a failed parse keeps the cached table
}

TEST(ApplyLUT, AnEditedFileIsReadAgain)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("look.cube");
    auto write = [&](const QByteArray& text, qint64 msAgo) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.flush();
        f.setFileTime(QDateTime::currentDateTime().addMSecs(-msAgo), QFileDevice::FileModificationTime);
    };
    write(CubeText(3, Same), 60000);
    const TLUTSource file{path, {}, {}};
    EXPECT_TRUE(LUTCacheKey(file).startsWith(QStringLiteral("F:")));
    const auto before = LoadLUTCached(file);
    ASSERT_TRUE(before);
    EXPECT_EQ(LoadLUTCached(file), before);
    write(CubeText(3, Inverse), 0);
    const auto after = LoadLUTCached(file);
    ASSERT_TRUE(after);
    EXPECT_FLOAT_EQ(after->Table[0].R, 1.0f);
}

} // namespace
} // namespace pv
