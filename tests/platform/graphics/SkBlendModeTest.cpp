#include "GraphicsTestUtil.h"

#include "platform/graphics/SkBlendMode.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::ChannelDiff;

struct BlendCase {
    SkBlendMode mode;
    uint32_t src, dst, expected; // premultiplied; expected worked out by hand
};

// Values worked out from the W3C formulas on 0..1 channels, rounded.
const BlendCase kCases[] = {
    {SkBlendMode::kClear, 0xFF808080u, 0xFF4080C0u, 0x00000000u},
    {SkBlendMode::kSrc, 0x80400000u, 0xFF4080C0u, 0x80400000u},
    {SkBlendMode::kSrcOver, 0x80800000u, 0xFF0000FFu, 0xFF80007Fu},
    {SkBlendMode::kDstIn, 0x80000000u, 0xFF4080C0u, 0x80204060u},
    {SkBlendMode::kSrcIn, 0xFF4080C0u, 0x80000000u, 0x80204060u},
    {SkBlendMode::kPlus, 0xFF808080u, 0xFF4080C0u, 0xFFC0FFFFu},
    {SkBlendMode::kModulate, 0x80808080u, 0xFF4080C0u, 0x80204060u},
    {SkBlendMode::kMultiply, 0xFF808080u, 0xFF4080C0u, 0xFF204060u},
    {SkBlendMode::kScreen, 0xFF808080u, 0xFF4080C0u, 0xFFA0C0E0u},
    {SkBlendMode::kOverlay, 0xFF808080u, 0xFF4080C0u, 0xFF4080C0u},
    {SkBlendMode::kDarken, 0xFF808080u, 0xFF4080C0u, 0xFF408080u},
    {SkBlendMode::kLighten, 0xFF808080u, 0xFF4080C0u, 0xFF8080C0u},
    {SkBlendMode::kDifference, 0xFF808080u, 0xFF4080C0u, 0xFF400040u},
    {SkBlendMode::kColorDodge, 0xFF808080u, 0xFF404040u, 0xFF808080u},
    // Burning white keeps it white (QPainter's formula would give black).
    {SkBlendMode::kColorBurn, 0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu},
    {SkBlendMode::kSoftLight, 0xFFCC3380u, 0xFF4080BFu, 0xFF665ABFu},
    {SkBlendMode::kColor, 0xFFFF0000u, 0xFF808080u, 0xFFFF4A4Au},
    {SkBlendMode::kLuminosity, 0xFF808080u, 0xFFFF0000u, 0xFFFF4A4Au},
    {SkBlendMode::kHue, 0xFF0000FFu, 0xFFCC6633u, 0xFF6F6FFFu},
    {SkBlendMode::kSaturation, 0xFFCC6633u, 0xFF336699u, 0xFF1E6BB7u},
    // A transparent destination takes the source, a transparent source keeps the destination.
    {SkBlendMode::kSoftLight, 0x80400020u, 0x00000000u, 0x80400020u},
    {SkBlendMode::kColor, 0x00000000u, 0x80402010u, 0x80402010u},
};

TEST(SkBlendMode, PixelPairsMatchHandComputedValues)
{
    for (const BlendCase& c : kCases) {
        const uint32_t got = BlendPixel(c.mode, c.src, c.dst);
        EXPECT_LE(ChannelDiff(got, c.expected), 1)
            << SkBlendModeName(c.mode) << std::hex << ": got " << got << " expected " << c.expected;
    }
}

TEST(SkBlendMode, PartialCoverageLerpsTowardsTheBlend)
{
    // Src at half coverage is halfway between destination and source, also
    // for modes that ignore the destination.
    uint32_t dst[2] = {0xFF0000FFu, 0xFF0000FFu};
    const uint32_t src[2] = {0xFFFF0000u, 0xFFFF0000u};
    const uint8_t cov[2] = {128, 0};
    BlendSpan(SkBlendMode::kSrc, dst, src, cov, 2);
    EXPECT_LE(ChannelDiff(dst[0], 0xFF80007Fu), 1);
    EXPECT_EQ(dst[1], 0xFF0000FFu);

    uint32_t m[1] = {0xFF808080u};
    const uint8_t half[1] = {128};
    BlendSpanConst(SkBlendMode::kModulate, m, 0xFF000000u, half, 1);
    EXPECT_LE(ChannelDiff(m[0], 0xFF404040u), 1);
}

TEST(SkBlendMode, QtCompositionOnlyWhereTheFormulaIsTheSame)
{
    EXPECT_TRUE(QtCompositionMode(SkBlendMode::kMultiply).has_value());
    EXPECT_TRUE(QtCompositionMode(SkBlendMode::kDstIn).has_value());
    for (SkBlendMode m : {SkBlendMode::kSoftLight, SkBlendMode::kColorDodge, SkBlendMode::kColorBurn,
                          SkBlendMode::kModulate, SkBlendMode::kHue, SkBlendMode::kColor})
        EXPECT_FALSE(QtCompositionMode(m).has_value()) << SkBlendModeName(m);
}

} // namespace
} // namespace pv
