#include "GraphicsTestUtil.h"

#include "platform/graphics/SkColorFilter.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::ChannelDiff;

TEST(SkColorFilter, IdentityMatrixKeepsPixels)
{
    const auto identity = IdentityColorMatrix();
    const ISkColorFilter f = SkColorFilters::Matrix(identity.data());
    for (uint32_t p : {0xFF336699u, 0x80402010u, 0x01010101u, 0x00000000u, 0xFFFFFFFFu})
        EXPECT_EQ(f->filterPixel(p), p) << std::hex << p;
}

TEST(SkColorFilter, MatrixWorksOnStraightColourAndClamps)
{
    // Darkness becomes coverage: white with alpha 1 - luma.
    const float coverage[20] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -0.299f, -0.587f, -0.114f, 0, 1};
    const ISkColorFilter f = SkColorFilters::Matrix(coverage);
    // luma of (200, 100, 50) = 0.48706: alpha 131, premultiplied white 131.
    EXPECT_LE(ChannelDiff(f->filterPixel(0xFFC86432u), 0x83838383u), 1);
    EXPECT_EQ(f->filterPixel(0xFFFFFFFFu), 0x00000000u);
    EXPECT_EQ(f->filterPixel(0xFF000000u), 0xFFFFFFFFu);

    // A translucent pixel is unpremultiplied first: (0x80 alpha, red 0x40) is straight red 0x80.
    const float redToBlue[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    const ISkColorFilter g = SkColorFilters::Matrix(redToBlue);
    EXPECT_LE(ChannelDiff(g->filterPixel(0x80400000u), 0x80000080u), 1);
    EXPECT_LE(ChannelDiff(g->filterPixel(0xFFC00000u), 0xFF0000FFu), 0); // 2 x 0.75 clamps to 1

    const float bad[20] = {std::nanf("")};
    EXPECT_EQ(SkColorFilters::Matrix(bad), nullptr);
}

TEST(SkColorFilter, BlendFiltersTakeTheColour)
{
    // SrcIn: the colour with the pixel's alpha; Modulate: the colour times the pixel.
    const ISkColorFilter srcIn = SkColorFilters::Blend(0x80FF0000u, SkBlendMode::kSrcIn);
    EXPECT_EQ(srcIn->filterPixel(0xFF123456u), 0x80800000u);
    EXPECT_LE(ChannelDiff(srcIn->filterPixel(0x40404040u), 0x20200000u), 1);
    EXPECT_EQ(srcIn->filterPixel(0), 0u);

    const ISkColorFilter modulate = SkColorFilters::Blend(0xFF00FF00u, SkBlendMode::kModulate);
    EXPECT_EQ(modulate->filterPixel(0x80808080u), 0x80008000u);

    const ISkColorFilter both = SkColorFilters::Compose(modulate, srcIn);
    EXPECT_EQ(both->filterPixel(0xFF000000u), 0x80000000u); // red at half alpha, then times green
}

} // namespace
} // namespace pv
