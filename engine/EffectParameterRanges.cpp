// The ranges of the effect catalogue, and the run's parameters held to them.

#include "engine/EffectParameterRanges.h"

#include <algorithm>
#include <climits>

namespace pv {

std::array<ParameterRange, 5> EffectParameterRanges(int effectNumber)
{
    constexpr ParameterRange kAny{INT_MIN, INT_MAX};
    const EffectInfo* effect = FindEffect(effectNumber);
    if (!effect)
        return {kAny, kAny, kAny, kAny, kAny};
    std::array<ParameterRange, 5> ranges{};
    for (size_t k = 0; k < 5; ++k)
        ranges[k] = effect->slots[k].range;
    return ranges;
}

std::array<int, 5> HoldEffectParameters(int effectNumber, const std::array<int, 5>& P)
{
    const std::array<ParameterRange, 5> ranges = EffectParameterRanges(effectNumber);
    std::array<int, 5> held{};
    for (size_t k = 0; k < 5; ++k)
        held[k] = std::clamp(P[k], ranges[k].lo, ranges[k].hi);
    return held;
}

} // namespace pv
