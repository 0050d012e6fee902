#include "GraphicsTestUtil.h"

#include "platform/graphics/SkImageFilter.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::Alpha;
using test::MakeImage;
using test::PixelAt;

uint32_t Grey(int v) { return 0xFF000000u | uint32_t(v) * 0x010101u; }

TEST(SkImageFilter, MatrixConvolutionIdentityKeepsThePicture)
{
    const ISkImage image = MakeImage(9, 7, [](int x, int y) { return (x + y) % 3 ? 0x80402010u : 0xFF336699u; });
    const float identity[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    for (bool alpha : {true, false}) {
        const ISkImage out = ApplyImageFilter(
            image, SkImageFilters::MatrixConvolution({3, 3}, identity, 1, 0, {1, 1}, SkTileMode::kClamp, alpha));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_LE(test::ChannelDiff(PixelAt(out, x, y), PixelAt(image, x, y)), 1) << alpha;
    }
}

TEST(SkImageFilter, MatrixConvolutionEdgeKernelFindsTheStep)
{
    // Straight colour 50 left of x = 4, 200 from there; alpha kept from the picture.
    const ISkImage image = MakeImage(8, 5, [](int x, int) { return Grey(x < 4 ? 50 : 200); });
    const float edge[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};
    const ISkImage out = ApplyImageFilter(
        image, SkImageFilters::MatrixConvolution({3, 3}, edge, 1, 0, {1, 1}, SkTileMode::kClamp, false));
    EXPECT_EQ(PixelAt(out, 1, 2), Grey(0));   // flat
    EXPECT_EQ(PixelAt(out, 3, 2), Grey(0));   // 200 - 4 * 50 + ... below zero
    EXPECT_EQ(PixelAt(out, 4, 2), Grey(150)); // 4 * 200 - 3 * 200 - 50
    EXPECT_EQ(PixelAt(out, 7, 0), Grey(0));   // clamped edges repeat: flat

    EXPECT_EQ(SkImageFilters::MatrixConvolution({3, 3}, edge, 1, 0, {0, 0}, SkTileMode::kClamp, false), nullptr);
    EXPECT_EQ(SkImageFilters::MatrixConvolution({5, 5}, edge, 1, 0, {2, 2}, SkTileMode::kClamp, false), nullptr);
}

TEST(SkImageFilter, DropShadowLiesUnderTheInputAtItsOffset)
{
    // A 4 x 4 white square at (8, 8); shadow offset 3 to the right, no blur.
    const ISkImage image =
        MakeImage(20, 20, [](int x, int y) { return x >= 8 && x < 12 && y >= 8 && y < 12 ? 0xFFFFFFFFu : 0u; });
    const ISkImage both = ApplyImageFilter(image, SkImageFilters::DropShadow(3, 0, 0, 0, 0x80000000u));
    EXPECT_EQ(PixelAt(both, 9, 9), 0xFFFFFFFFu); // the input on top
    EXPECT_EQ(PixelAt(both, 13, 9), 0x80000000u); // the shadow beyond it
    EXPECT_EQ(PixelAt(both, 6, 9), 0u);
    const ISkImage only = ApplyImageFilter(image, SkImageFilters::DropShadowOnly(3, 0, 0, 0, 0x80000000u));
    EXPECT_EQ(PixelAt(only, 9, 9), 0u);
    EXPECT_EQ(PixelAt(only, 13, 9), 0x80000000u);

    // Blurred, the shadow spreads evenly around its offset square.
    const ISkImage soft = ApplyImageFilter(image, SkImageFilters::DropShadowOnly(0, 2, 1.5f, 1.5f, 0xFF000000u));
    EXPECT_EQ(PixelAt(soft, 6, 11), PixelAt(soft, 13, 11));
    EXPECT_EQ(PixelAt(soft, 10, 9), PixelAt(soft, 10, 14));
    EXPECT_GT(Alpha(PixelAt(soft, 10, 12)), Alpha(PixelAt(soft, 10, 14)));
    EXPECT_GT(Alpha(PixelAt(soft, 10, 15)), 0);
    EXPECT_EQ(PixelAt(soft, 10, 12) & 0xFFFFFFu, 0u); // black
}

TEST(SkImageFilter, ComposeAppliesInnerFirst)
{
    const ISkImage image = MakeImage(16, 16, [](int x, int) { return x < 8 ? 0xFFFFFFFFu : 0xFF000000u; });
    const float invert[20] = {-1, 0, 0, 0, 1, 0, -1, 0, 0, 1, 0, 0, -1, 0, 1, 0, 0, 0, 1, 0};
    const ISkImageFilter cf = SkImageFilters::ColorFilter(SkColorFilters::Matrix(invert));
    const ISkImageFilter blur = SkImageFilters::Blur(2, 2, SkTileMode::kClamp);
    const ISkImage composed = ApplyImageFilter(image, SkImageFilters::Compose(blur, cf));
    const ISkImage stepwise = ApplyImageFilter(ApplyImageFilter(image, cf), blur);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(PixelAt(composed, x, 8), PixelAt(stepwise, x, 8));
    EXPECT_EQ(PixelAt(composed, 0, 8), Grey(0));
    EXPECT_EQ(PixelAt(composed, 15, 8), Grey(255));
}

TEST(SkImageFilter, ColorFilterThatPaintsTransparentPixelsFillsTheClip)
{
    // Alpha set to 1 everywhere: transparent pixels become opaque black.
    const float opaque[20] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    const ISkImage image = MakeImage(6, 6, [](int x, int) { return x < 3 ? 0u : 0xFFFF0000u; });
    const ISkImage out = ApplyImageFilter(image, SkImageFilters::ColorFilter(SkColorFilters::Matrix(opaque)));
    EXPECT_EQ(PixelAt(out, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(out, 5, 5), 0xFFFF0000u);
}

} // namespace
} // namespace pv
