#include "engine/EffectParameterRanges.h"
#include "engine/Effect.h"

#include <gtest/gtest.h>

#include <climits>

namespace pv {
namespace {

TEST(EffectParameterRanges, SliderValuesPassUnchanged)
{
    for (const EffectInfo& effect : EffectCatalogue())
        for (int v = 0; v <= 100; ++v) {
            const std::array<int, 5> P{v, v, v, v, v};
            ASSERT_EQ(HoldEffectParameters(effect.number, P), P) << effect.number << " " << v;
        }
}

TEST(EffectParameterRanges, ScriptValuesAreHeldToTheirRange)
{
    struct Case {
        int effect, k, value, held;
    };
    const Case cases[] = {
        {300, 0, INT_MAX, 200},    // watercolor patches
        {101, 2, 1000, 150},       // pencil strokes
        {101, 4, INT_MIN, -400},   // the quality the effect holds itself
        {102, 1, 1000, 150},       // strokes whose ink never fades
        {500, 0, 100000, 200},     // mosaic trials
        {503, 2, 100000, 150},     // largest triangle
        {503, 4, 100000, 200},     // rotations tried
        {500, 3, -5, 0},           // a colour tolerance that accepts nothing
        {203, 1, -5, 0},           // dot sizes
        {203, 0, INT_MAX, 182033}, // the largest cell
        {100, 0, INT_MIN, INT_MIN}, // a threshold costs nothing
        {999, 0, INT_MAX, INT_MAX}, // no such effect
    };
    for (const Case& c : cases) {
        std::array<int, 5> P{50, 50, 50, 50, 50};
        P[size_t(c.k)] = c.value;
        EXPECT_EQ(HoldEffectParameters(c.effect, P)[size_t(c.k)], c.held) << c.effect << " P" << c.k + 1;
    }
}

} // namespace
} // namespace pv
