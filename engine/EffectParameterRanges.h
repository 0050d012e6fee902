#pragma once
// The range each effect parameter is held to before an effect runs. Sliders
// and parameter files give 0..100; scripts and the command line may give any
// 32-bit integer. Every range holds 0..100, so slider values run exactly as
// before; beyond it a value is brought to the nearest end of its range, which
// keeps a run within a few times the cost of its slider-maximum run. The
// ranges are the effect catalogue's.

#include "engine/EffectCatalogue.h"

#include <array>

namespace pv {

// The five ranges of an effect number; unknown numbers get the full 32-bit
// range (they run nothing).
std::array<ParameterRange, 5> EffectParameterRanges(int effectNumber);

// P1..P5 of a run held to the effect's ranges.
std::array<int, 5> HoldEffectParameters(int effectNumber, const std::array<int, 5>& P);

} // namespace pv
