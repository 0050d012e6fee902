#include "GraphicsTestUtil.h"

#include "platform/graphics/LuminanceBlend.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(LuminanceBlend, PicksTheLighterOrDarkerPixelAndMixes)
{
    struct Case {
        uint32_t src, dst;
        float mix;
        bool lighten;
        uint32_t expected;
    };
    // Green is lighter than red by the weights (0.7152 against 0.2126).
    const Case cases[] = {
        {0xFF00FF00u, 0xFFFF0000u, 1.0f, true, 0xFF00FF00u},
        {0xFF00FF00u, 0xFFFF0000u, 1.0f, false, 0xFFFF0000u},
        {0xFF00FF00u, 0xFFFF0000u, 0.5f, true, 0xFF808000u},
        {0xFFFF0000u, 0xFF00FF00u, 0.5f, true, 0xFF00FF00u},
        {0x80008000u, 0xFF000000u, 0.5f, true, 0xC0004000u}, // all four channels mix
        {0xFF404040u, 0xFF404040u, 0.25f, false, 0xFF404040u},
    };
    for (const Case& c : cases)
        EXPECT_LE(test::ChannelDiff(LuminanceBlendPixel(c.src, c.dst, c.mix, c.lighten), c.expected), 1)
            << std::hex << c.src << " over " << c.dst;
}

} // namespace
} // namespace pv
