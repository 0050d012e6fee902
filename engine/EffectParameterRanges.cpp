// The one table of parameter ranges. A range is either a cost bound (the
// value drives a count, a size or a search, and the bound keeps it within
// about twice its slider-maximum value) or the range an effect's own formula
// already saturates at (recorded here so that the table is the whole story;
// holding a value there changes nothing). "any" marks values that change
// only colours or thresholds, never the amount of work.

#include "engine/EffectParameterRanges.h"

#include <algorithm>
#include <climits>

namespace pv {
namespace {

constexpr ParameterRange kAny{INT_MIN, INT_MAX};
constexpr ParameterRange kSlider{0, 100};

struct RangeRow {
    int effect;
    ParameterRange P[5];
};

constexpr RangeRow kRanges[] = {
    // Pencil Sketch 1: thresholds and tones only; colour kept 0..100 %.
    {100, {kAny, kAny, kAny, kAny, kSlider}},
    // Pencil Sketch 2: lengths as the effect holds them (+-10000), at most
    // 150 (1.5 times the points per line); strokes 20 P3 + 100 from P3 = -5
    // (no fewer than 0) to 150 (1.5 times); quality 2.5 P5 from -1000 to 275
    // (10 candidates per search instead of 9); colour 0..100 %.
    {101, {{-10000, 150}, {-10005, 150}, {-5, 150}, kSlider, {-400, 110}}},
    // Pencil Sketch 3: iterations (stroke count) up to 200, twice; stroke
    // length up to 150, where the stroke's ink still fades within about three
    // times the steps (from 177 on it never fades and every stroke takes all
    // its steps); the others as the effect holds them (+-1000).
    {102, {{-1000, 200}, {-1000, 150}, {-1000, 1000}, {-1000, 1000}, {-1000, 1000}}},
    // Crosshatch: the line spacing stops shrinking at density 102; stroke
    // length up to 200 (twice); line weight up to 200 (twice the width; the
    // effect's own width limit is 32 pixels), widths reach 0 at -10.
    {103, {{INT_MIN, 102}, kAny, kAny, {-100, 200}, {-10, 200}}},
    // Black & white, Stippling: thresholds only.
    {200, {kAny, kAny, kAny, kAny, kAny}},
    {201, {kAny, kAny, kAny, kAny, kAny}},
    // Felt-tip pen: density, opacity and edges 0..100 as the effect holds
    // them; stroke length up to 200 (twice, 2 at least); width 4..100
    // (1..25 pixels).
    {202, {kSlider, kSlider, {0, 200}, kSlider, kSlider}},
    // Comic print: the cell Round(0.36 P1) + 4 is held to 4..65536 pixels,
    // the dot sizes to 0..200 %.
    {203, {{0, 182033}, {0, 200}, {0, 200}, kAny, kAny}},
    // Watercolor: patches 500 (P1 + 1) up to P1 = 200 (twice); spokes P2 / 2
    // up to 200 (twice); the brush size 0.02 P3^2 + 0.2 P3 up to P3 = 120
    // (its area twice), -100 giving less; opacity 0..100.
    {300, {{-100, 200}, {-100, 200}, {-100, 120}, kSlider, kAny}},
    // Watercolor 2: brightness saturates at -50 and 150; the rest ends with
    // the picture's regions.
    {301, {kAny, kAny, {-50, 150}, kAny, kAny}},
    // Oil pastel: sizes, repeats and effort held to the sliders' range (0
    // repeats or effort count as 1).
    {302, {kSlider, kSlider, kSlider, kSlider, kAny}},
    // Watercolor splashes: sizes +-1000 (512 pixels at most), density and
    // effort 0..100 (density 0 counts as 1).
    {303, {{-1000, 1000}, {-1000, 1000}, kSlider, kSlider, kAny}},
    // Impasto brushstrokes: sizes +-1000 (2048 pixels at most), the rest 0..100.
    {304, {{-1000, 1000}, {-1000, 1000}, kSlider, kSlider, kSlider}},
    // Brushstrokes 2: stroke length grows as 28 - P1 / 10 shrinks, up to 200
    // (2.25 times); the stroke count stops growing at 200.
    {305, {{INT_MIN, 200}, {INT_MIN, 200}, kAny, kAny, kAny}},
    // Smooth painting: brush 8..50 pixels and 1..5 passes saturate at 0..100.
    {306, {kSlider, kSlider, kAny, kAny, kAny}},
    // Stochastic painting: sizes 5..250 and 10..250 pixels (0..125), precision
    // 1..100 (0..100), opacity 20..255 (0..100); the density stops at its top
    // by itself.
    {307, {{0, 125}, {0, 125}, kAny, kSlider, kSlider}},
    // Gouache: every value 0..100; the strength's blend factor saturates at
    // -60 and 107.
    {308, {kSlider, kSlider, kSlider, {-60, 107}, kSlider}},
    // Orton filter: the exposure, strength, vibrance and shift as the effect
    // holds them.
    {400, {kAny, {-400, 60000}, {-30000, 30000}, {-30000, 30000}, {-200, 300}}},
    // Adjustments: tones, and blurs whose cost does not grow with their radius.
    {401, {kAny, kAny, kAny, kAny, kAny}},
    // Vintage / Sepia, Retro film: every value 0..100.
    {402, {kSlider, kSlider, kSlider, kSlider, kSlider}},
    {403, {kSlider, kSlider, kSlider, kSlider, kSlider}},
    // LUTs: intensity 0..100 %, then tones and a blur.
    {404, {kSlider, kAny, kAny, kAny, kAny}},
    // Mosaic, Circles, Triangles: trials 180 P1 + 500 up to P1 = 200 (twice);
    // the largest shape up to P3 = 150 (1.5 times the size); the colour
    // tolerance (1.15 P4 + 5)^2 from P4 = 0 on (it falls to 0 at -4.35, where
    // almost no shape is accepted and every level spends all its trials);
    // rotations tried Round(P5 / 10) + 4 up to P5 = 200 (24 instead of 14),
    // 1 from -30 down.
    {500, {{-100, 200}, kAny, {-100, 150}, {0, INT_MAX}, {-100, 200}}},
    // Cartoon: smoothing radius and passes grow with P1, up to 150 (about
    // twice the work); line thickness Round(0.05 P5) up to 200.
    {501, {{INT_MIN, 150}, kAny, kAny, kAny, {INT_MIN, 200}}},
    {502, {{-100, 200}, kAny, {-100, 150}, {0, INT_MAX}, {-100, 200}}},
    {503, {{-100, 200}, kAny, {-100, 150}, {0, INT_MAX}, {-100, 200}}},
};

} // namespace

std::array<ParameterRange, 5> EffectParameterRanges(int effectNumber)
{
    for (const RangeRow& row : kRanges)
        if (row.effect == effectNumber)
            return {row.P[0], row.P[1], row.P[2], row.P[3], row.P[4]};
    return {kAny, kAny, kAny, kAny, kAny};
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
