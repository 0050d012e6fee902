// The one table of effects, in list order. Each parameter slot holds the
// slider's caption, its default and the range a run holds the value to.
// Sliders and parameter files give 0..100; scripts and the command line may
// give any 32-bit integer. Every range holds 0..100, so slider values run
// unchanged; beyond it a value is brought to the nearest end of its range. A
// range is either a cost bound (the value drives a count, a size or a search,
// and the bound keeps it within about twice its slider-maximum value) or the
// range an effect's own formula already saturates at (recorded here so that
// the table is the whole story; holding a value there changes nothing). "any"
// marks values that change only colours or thresholds, never the amount of
// work. Routines are filled in by each effect file's registration.

#include "engine/EffectCatalogue.h"

#include <climits>
#include <utility>

namespace pv {

namespace {

constexpr ParameterRange kAny{INT_MIN, INT_MAX};
constexpr ParameterRange kSlider{0, 100};

std::array<EffectInfo, 26>& Catalogue()
{
    static std::array<EffectInfo, 26> table{{
        // Pencil Sketch 1: thresholds and tones only; colour kept 0..100 %.
        {100, "Pencil Sketch 1", "Pencil Sketch 1", "PencilSketch",
         {{{"edge threshold", 20, kAny}, {"edge darkness", 50, kAny}, {"brightness", 65, kAny},
           {"contrast", 5, kAny}, {"color intensity", 80, kSlider}}},
         0},
        // Pencil Sketch 2: lengths as the effect holds them (+-10000), at most
        // 150 (1.5 times the points per line); strokes 20 P3 + 100 from P3 = -5
        // (no fewer than 0) to 150 (1.5 times); quality 2.5 P5 from -1000 to 275
        // (10 candidates per search instead of 9); colour 0..100 %.
        {101, "Pencil Sketch 2", "Pencil Sketch 2", "Pencil6",
         {{{"min stroke size", 10, {-10000, 150}}, {"max stroke size", 40, {-10005, 150}}, {"number of strokes", 30, {-5, 150}},
           {"color intensity", 0, kSlider}, {"quality", 30, {-400, 110}}}},
         0},
        // Pencil Sketch 3: iterations (stroke count) up to 200, twice; stroke
        // length up to 150, where the stroke's ink still fades within about three
        // times the steps (from 177 on it never fades and every stroke takes all
        // its steps); the others as the effect holds them (+-1000).
        {102, "Pencil Sketch 3", "Pencil Sketch 3", "DynamicPencil",
         {{{"iterations", 20, {-1000, 200}}, {"stroke length", 80, {-1000, 150}}, {"blending", 30, {-1000, 1000}},
           {"contrast", 25, {-1000, 1000}}, {"color intensity", 0, {-1000, 1000}}}},
         0},
        // Crosshatch: the line spacing stops shrinking at density 102; stroke
        // length up to 200 (twice); line weight up to 200 (twice the width; the
        // effect's own width limit is 32 pixels), widths reach 0 at -10.
        {103, "Crosshatch", "Crosshatch", "Crosshatch",
         {{{"density", 75, {INT_MIN, 102}}, {"contours", 50, kAny}, {"contrast", 35, kAny},
           {"stroke length", 25, {-100, 200}}, {"line weight", 20, {-10, 200}}}},
         kEraseOption},
        // Black & white, Stippling: thresholds only.
        {200, "Black & white", "Black & White", "blackandwhiteInk",
         {{{"level of details", 50, kAny}, {"lighten/darken", 50, kAny}, {"simplification", 0, kAny},
           {"", 0, kAny}, {"", 0, kAny}}},
         0},
        {201, "Stippling", "Stippling", "StipplingEffect",
         {{{"darkening", 50, kAny}, {"", 0, kAny}, {"", 0, kAny},
           {"", 0, kAny}, {"", 0, kAny}}},
         0},
        // Felt-tip pen: density, opacity and edges 0..100 as the effect holds
        // them; stroke length up to 200 (twice, 2 at least); width 4..100
        // (1..25 pixels).
        {202, "Felt-tip pen", "Felt-tip pen", "MarkerRenderingEffect",
         {{{"stroke density", 65, kSlider}, {"stroke opacity", 70, kSlider}, {"stroke length", 30, {0, 200}},
           {"stroke width", 5, kSlider}, {"edge intensity", 40, kSlider}}},
         kEraseOption},
        // Comic print: the cell Round(0.36 P1) + 4 is held to 4..65536 pixels,
        // the dot sizes to 0..200 %.
        {203, "Comic Print", "Comic print", "ComicPrintHalftone",
         {{{"dot spacing", 10, {0, 182033}}, {"min dot size", 0, {0, 200}}, {"max dot size", 100, {0, 200}},
           {"color intensity", 50, kAny}, {"contours", 60, kAny}}},
         0},
        // Watercolor: patches 500 (P1 + 1) up to P1 = 200 (twice); spokes P2 / 2
        // up to 200 (twice); the brush size 0.02 P3^2 + 0.2 P3 up to P3 = 120
        // (its area twice), -100 giving less; opacity 0..100.
        {300, "Watercolor", "Watercolor", "CentralSpokeEffect",
         {{{"iterations", 30, {-100, 200}}, {"brush complexity", 40, {-100, 200}}, {"brush size", 40, {-100, 120}},
           {"opacity", 100, kSlider}, {"edge intensity", 20, kAny}}},
         kEraseOption},
        // Watercolor 2: brightness saturates at -50 and 150; the rest ends with
        // the picture's regions.
        {301, "Watercolor 2", "Watercolor 2", "RegionGrowing",
         {{{"density", 90, kAny}, {"region threshold", 20, kAny}, {"brightness", 60, {-50, 150}},
           {"edge intensity", 20, kAny}, {"saturation", 55, kAny}}},
         kEraseOption},
        // Oil pastel: sizes, repeats and effort held to the sliders' range (0
        // repeats or effort count as 1).
        {302, "Oil pastel", "Oil Pastel", "NewRandomStrokes_BestOfN",
         {{{"min brush size", 10, kSlider}, {"max brush size", 70, kSlider}, {"iterations", 30, kSlider},
           {"quality", 30, kSlider}, {"opacity", 100, kAny}}},
         kEraseOption | kCustomBrushOption | kBrushSheetSetup},
        // Watercolor splashes: sizes +-1000 (512 pixels at most), density and
        // effort 0..100 (density 0 counts as 1).
        {303, "Watercolor splashes", "Watercolor splashes", "NewDirectionalStrokesgood",
         {{{"min brush size", 10, {-1000, 1000}}, {"max brush size", 70, {-1000, 1000}}, {"iterations", 50, kSlider},
           {"quality", 50, kSlider}, {"opacity", 80, kAny}}},
         kEraseOption | kCustomBrushOption | kBrushSheetSetup},
        // Impasto brushstrokes: sizes +-1000 (2048 pixels at most), the rest 0..100.
        {304, "Impasto brushstrokes", "Impasto brushstrokes", "SystematicPainting",
         {{{"min brush size", 10, {-1000, 1000}}, {"max brush size", 50, {-1000, 1000}}, {"iterations", 50, kSlider},
           {"quality", 50, kSlider}, {"opacity", 100, kSlider}}},
         kEraseOption | kCustomBrushOption | kBrushSheetSetup},
        // Brushstrokes 2: stroke length grows as 28 - P1 / 10 shrinks, up to 200
        // (2.25 times); the stroke count stops growing at 200.
        {305, "Brushstrokes 2", "Brushstrokes 2", "Ollivander",
         {{{"brush size", 50, {INT_MIN, 200}}, {"iterations", 30, {INT_MIN, 200}}, {"abstraction", 25, kAny},
           {"saturation", 60, kAny}, {"opacity", 70, kAny}}},
         kEraseOption},
        // Smooth painting: brush 8..50 pixels and 1..5 passes saturate at 0..100.
        {306, "Smooth painting", "Smooth painting", "TemplateMatching",
         {{{"max brush size", 35, kSlider}, {"iterations", 0, kSlider}, {"", 0, kAny},
           {"", 0, kAny}, {"", 0, kAny}}},
         0},
        // Stochastic painting: sizes 5..250 and 10..250 pixels (0..125), precision
        // 1..100 (0..100), opacity 20..255 (0..100); the density stops at its top
        // by itself.
        {307, "Stochastic painting", "Stochastic Painting", "StochasticPainting",
         {{{"min brush size", 10, {0, 125}}, {"max brush size", 50, {0, 125}}, {"iterations", 20, kAny},
           {"precision", 50, kSlider}, {"opacity", 90, kSlider}}},
         kEraseOption | kBrushSheetSetup},
        // Gouache: every value 0..100; the strength's blend factor saturates at
        // -60 and 107.
        {308, "Gouache Painting", "Gouache Painting", "GouachePainting",
         {{{"iterations", 70, kSlider}, {"brush size", 25, kSlider}, {"precision", 25, kSlider},
           {"strength", 50, {-60, 107}}, {"contours", 30, kSlider}}},
         kEraseOption},
        // Orton filter: the exposure, strength, vibrance and shift as the effect
        // holds them.
        {400, "Orton filter", "Orton filter", "OrtonFilterEffect",
         {{{"glow radius", 40, kAny}, {"exposure", 25, {-400, 60000}}, {"strength of effect", 50, {-30000, 30000}},
           {"vibrance", 50, {-30000, 30000}}, {"darken/lighten", 40, {-200, 300}}}},
         0},
        // Adjustments: tones, and blurs whose cost does not grow with their radius.
        {401, "Adjustments", "Adjustments", "AdjustmentsEffect",
         {{{"luminosity", 52, kAny}, {"contrast", 52, kAny}, {"vibrance", 55, kAny},
           {"structure", 15, kAny}, {"blur/sharpen", 52, kAny}}},
         0},
        // Vintage / Sepia, Retro film: every value 0..100.
        {402, "Vintage / Sepia", "Vintage / Sepia", "VintageSepiaEffect",
         {{{"color intensity", 0, kSlider}, {"strength of effect", 70, kSlider}, {"vignette", 50, kSlider},
           {"grain", 50, kSlider}, {"blur", 25, kSlider}}},
         0},
        {403, "Retro film", "Retro film", "RetroFilmEffect",
         {{{"saturation", 30, kSlider}, {"warmth", 35, kSlider}, {"contrast", 60, kSlider},
           {"grain", 20, kSlider}, {"vignette", 25, kSlider}}},
         0},
        // LUTs: intensity 0..100 %, then tones and a blur.
        {404, "LUTs", "LUTs", "ApplyLUT",
         {{{"intensity", 100, kSlider}, {"luminosity", 50, kAny}, {"contrast", 50, kAny},
           {"blur/sharpen", 50, kAny}, {"saturation", 50, kAny}}},
         kLUTOption},
        // Mosaic, Circles, Triangles: trials 180 P1 + 500 up to P1 = 200 (twice);
        // the largest shape up to P3 = 150 (1.5 times the size); the colour
        // tolerance (1.15 P4 + 5)^2 from P4 = 0 on (it falls to 0 at -4.35, where
        // almost no shape is accepted and every level spends all its trials);
        // rotations tried Round(P5 / 10) + 4 up to P5 = 200 (24 instead of 14),
        // 1 from -30 down.
        {500, "Mosaic", "Mosaic", "SpaceFillingDots",
         {{{"iterations", 20, {-100, 200}}, {"min dot size", 20, kAny}, {"max dot size", 80, {-100, 150}},
           {"color tolerance", 35, {0, INT_MAX}}, {"quality", 25, {-100, 200}}}},
         kEraseOption | kContourOption},
        // Cartoon: smoothing radius and passes grow with P1, up to 150 (about
        // twice the work); line thickness Round(0.05 P5) up to 200.
        {501, "Cartoon", "Cartoon", "CartoonEffect",
         {{{"smoothing", 30, {INT_MIN, 150}}, {"edge detail", 55, kAny}, {"edge darkness", 85, kAny},
           {"color intensity", 40, kAny}, {"edge thickness", 20, {INT_MIN, 200}}}},
         kEraseOption},
        // Circles, Triangles: held as Mosaic.
        {502, "Circles", "Circles", "SpaceFillingCircles",
         {{{"iterations", 20, {-100, 200}}, {"min disc size", 30, kAny}, {"max disc size", 80, {-100, 150}},
           {"color tolerance", 35, {0, INT_MAX}}, {"quality", 25, {-100, 200}}}},
         kEraseOption | kContourOption},
        {503, "Triangles", "Triangles", "SpaceFillingTriangles",
         {{{"iterations", 10, {-100, 200}}, {"min triangle size", 30, kAny}, {"max triangle size", 50, {-100, 150}},
           {"color tolerance", 35, {0, INT_MAX}}, {"quality", 25, {-100, 200}}}},
         kEraseOption | kContourOption},
    }};
    return table;
}

} // namespace

std::span<const EffectInfo> EffectCatalogue() { return Catalogue(); }

const EffectInfo* FindEffect(int number)
{
    for (const EffectInfo& e : Catalogue())
        if (e.number == number)
            return &e;
    return nullptr;
}

bool HasEffectOption(int number, EffectOption option)
{
    const EffectInfo* effect = FindEffect(number);
    return effect && (effect->options & option) != 0;
}

bool RegisterEffect(int number, TEffectProc proc)
{
    for (EffectInfo& e : Catalogue())
        if (e.number == number) {
            e.proc = proc;
            return true;
        }
    return false;
}

TEffectProc ReplaceEffect(int number, TEffectProc proc)
{
    for (EffectInfo& e : Catalogue())
        if (e.number == number)
            return std::exchange(e.proc, proc);
    return nullptr;
}

} // namespace pv
