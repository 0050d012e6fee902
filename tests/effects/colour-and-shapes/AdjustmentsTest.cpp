#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/Adjustments.h"
#include "effects/colour-and-shapes/colour/ColourAdjust.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

TEST(ColourAdjust, MatrixOrderAndKernel)
{
    const std::array<float, 20> contrast = ColourAdjustMatrix(0, 2, 1);
    EXPECT_EQ(contrast[0], 2.0f);
    EXPECT_EQ(contrast[4], -0.5f);
    EXPECT_EQ(contrast[18], 1.0f); // alpha untouched
    EXPECT_EQ(ColourAdjustMatrix(0.1f, 1, 1)[9], 0.1f);
    EXPECT_EQ(ColourAdjustMatrix(0, 1.0005f, 1), IdentityColorMatrix()); // within 0.001 of neutral
    // Saturation 0 after contrast 2: every row is the grey weights times 2.
    const std::array<float, 20> grey = ColourAdjustMatrix(0, 2, 0);
    for (int row = 0; row < 3; ++row) {
        EXPECT_FLOAT_EQ(grey[size_t(row * 5 + 0)], 0.426f);
        EXPECT_FLOAT_EQ(grey[size_t(row * 5 + 1)], 1.43f);
        EXPECT_FLOAT_EQ(grey[size_t(row * 5 + 2)], 0.144f);
        EXPECT_FLOAT_EQ(grey[size_t(row * 5 + 4)], -0.5f);
    }
    const std::array<float, 9> k = SharpenKernel(1.0f);
    EXPECT_EQ(k[4], 5.0f);
    EXPECT_EQ(k[1], -1.0f);
    EXPECT_EQ(k[0], 0.0f);
}

TEST(Adjustments, DerivedValues)
{
    const TAdjustmentsParams d = ComputeAdjustmentsParams(52, 52, 55, 15, 52);
    EXPECT_FLOAT_EQ(d.adjust.brightness, 0.01f);
    EXPECT_FLOAT_EQ(d.adjust.contrast, 1.04f);
    EXPECT_FLOAT_EQ(d.adjust.saturation, 1.1f);
    EXPECT_EQ(d.boxRadius, 6);
    const TAdjustmentsParams full = ComputeAdjustmentsParams(50, 50, 50, 100, 0);
    EXPECT_EQ(full.structureWeight, 1.0f);
    EXPECT_EQ(full.structureGain, 3.0f);
    EXPECT_EQ(full.boxRadius, 15);
    EXPECT_EQ(full.adjust.blurSigma, 10.0f);
    EXPECT_FLOAT_EQ(ComputeAdjustmentsParams(50, 50, 50, 0, 100).adjust.sharpen, 5.0f / 3.0f);
    EXPECT_FALSE(ComputeAdjustmentsParams(50, 50, 50, 0, 50).structure);
}

TEST(Adjustments, BoxMeanMatchesTheEdgeRepeatingWindow)
{
    const uint8_t line[] = {10, 200, 30, 40, 250, 0, 7};
    const int n = 7;
    for (int r : {0, 1, 3, 6, 20, 1000000}) {
        uint8_t out[7];
        BoxMeanLine(line, 1, out, 1, n, r);
        for (int x = 0; x < n; ++x) {
            int64_t sum = 0;
            for (int64_t i = x - int64_t(std::min(r, 40)); i <= x + std::min(r, 40); ++i)
                sum += line[std::clamp<int64_t>(i, 0, n - 1)];
            if (r > 40) // far beyond the line the window is mostly the two edge values
                sum = int64_t(r - x) * line[0] + int64_t(r - (n - 1 - x)) * line[n - 1] +
                      (10 + 200 + 30 + 40 + 250 + 0 + 7);
            EXPECT_EQ(out[x], uint8_t(sum / (2 * int64_t(r) + 1))) << "r " << r << " x " << x;
        }
    }
}

TEST(Adjustments, ColumnBoxMeanMatchesTheLineRule)
{
    const int W = 5, H = 9;
    std::vector<uint8_t> in(size_t(W * H)), out(in.size()), want(H);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = uint8_t((i * 73 + 11) % 256);
    for (int r : {0, 2, 8, 50}) {
        BoxMeanColumns(in.data() + 1, out.data() + 1, W, 3, H, r); // columns 1..3
        for (int x = 1; x <= 3; ++x) {
            BoxMeanLine(in.data() + x, W, want.data(), 1, H, r);
            for (int y = 0; y < H; ++y)
                EXPECT_EQ(out[size_t(y * W + x)], want[size_t(y)]) << "r " << r << " x " << x << " y " << y;
        }
    }
}

TEST(Adjustments, StructureRule)
{
    EXPECT_EQ(StructureRatio(0, 40, 3, 1), 1.0f);   // black keeps its colour
    EXPECT_EQ(StructureRatio(120, 120, 3, 1), 1.0f); // flat surroundings: no change
    EXPECT_GT(StructureRatio(150, 100, 3, 1), 1.0f); // lighter than around: lighter
    EXPECT_LT(StructureRatio(100, 150, 3, 1), 1.0f); // darker than around: darker
    // Darker details get twice the gain of lighter ones.
    EXPECT_LT(StructureRatio(100, 120, 3, 1) * 100 - 100, -(StructureRatio(100, 80, 3, 1) * 100 - 100));
    EXPECT_EQ(StructureRatio(100, 150, 3, 0), 1.0f); // weight 0
}

TEST(Adjustments, NeutralSettingsDrawTheSourceUnchanged)
{
    const ISkImage chart = test::ColourChart();
    EXPECT_EQ(test::SurfacePixels(test::RunColourEffect(401, chart, 50, 50, 50, 0, 50)), test::AllPixels(chart));
}

double Spread(const std::vector<uint32_t>& px)
{
    double mean = test::MeanLuma(px), sum = 0;
    for (uint32_t p : px) {
        const double l = 0.299 * ColorR(p) + 0.587 * ColorG(p) + 0.114 * ColorB(p);
        sum += (l - mean) * (l - mean);
    }
    return std::sqrt(sum / double(px.size()));
}

TEST(Adjustments, StructureSharpenAndBlurChangeLocalContrast)
{
    // A soft bar pattern: structure and sharpening raise its contrast, blur lowers it.
    std::vector<uint32_t> px;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 48; ++x) {
            const uint8_t v = uint8_t(110 + ((x / 4) % 2 ? 30 : 0));
            px.push_back(MakeColor(255, v, v, uint8_t(v - 20)));
        }
    const ISkImage bars = test::ImageFromPixels(48, 24, px);
    const double base = Spread(px);
    EXPECT_GT(Spread(test::SurfacePixels(test::RunColourEffect(401, bars, 50, 50, 50, 100, 50))), base * 1.3);
    EXPECT_GT(Spread(test::SurfacePixels(test::RunColourEffect(401, bars, 50, 50, 50, 0, 100))), base * 1.3);
    EXPECT_LT(Spread(test::SurfacePixels(test::RunColourEffect(401, bars, 50, 50, 50, 0, 0))), base * 0.7);
}

TEST(Adjustments, ProgressOnlyWithStructureExceptTheLastStep)
{
    test::FakeHost host;
    const ISkImage picture = test::GradientPicture(16, 16);
    LastProgressTick = 0;
    test::RunColourEffect(401, picture, 50, 50, 50, 0, 50);
    test::DrainEvents();
    EXPECT_EQ(host.progress, std::vector<int>{92});
    host.progress.clear();
    LastProgressTick = 0;
    test::RunColourEffect(401, picture, 50, 50, 50, 30, 50, true);
    test::DrainEvents();
    EXPECT_TRUE(host.progress.empty());
}

} // namespace
} // namespace pv
