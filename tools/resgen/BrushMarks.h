#pragma once
// Marks of real brushes as coverage functions: flat, filbert, round and
// worn bristle brushes, short dabs and pastel sticks. Shared by the brush
// sheets and the template-matching atlas.

#include "tools/resgen/Procedural.h"

namespace resgen {

enum class Tip { Flat, Filbert, Round, Dry, Dab, Pastel };

struct Mark {
    Tip tip;
    float angle; // of the stroke's direction, radians
    float length, width; // pixels
    float bend; // sideways sag of the middle, as a share of the length
    float ragged; // how unevenly the bristles end
    float dryness; // how much the paint breaks into streaks towards the end
    float bristles; // number of bristle streaks across the width
    float ox, oy; // offset of the mark's middle from the cell's middle
    uint32_t seed;
};

// Coverage 0..1 of a brush stroke at (px, py), relative to the cell's middle;
// acrossOut, when given, receives the position across the stroke (-1..1).
float StrokeCoverage(const Mark& m, float px, float py, float* acrossOut = nullptr);
// A pastel stick on grainy paper; (sheetX, sheetY) place the paper's tooth.
float PastelCoverage(const Mark& m, float px, float py, float sheetX, float sheetY);
// A mark of the given tip with random proportions that fit a 256-pixel cell.
Mark RandomMark(Rng& rng, Tip tip);

// A watercolour splash: a pool of thin wash with pigment gathered at its rim,
// granulation, sometimes a back-run bloom and a few droplets beside it.
struct Splash {
    float angle, major, minor; // ellipse, pixels
    float ox, oy;
    float lobe; // second, offset pool merged into the first (0 = none)
    float wash; // alpha of the thin middle
    int droplets;
    bool bloom; // a paler back-run patch inside
    uint32_t seed;
};

float SplashCoverage(const Splash& s, float px, float py);
Splash RandomSplash(Rng& rng);

} // namespace resgen
