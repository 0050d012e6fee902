#pragma once
// Pencil Sketch 3 (effect 102): a wandering simulated pencil that darkens the
// paper until it is as dark as the picture.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

struct DynamicPencilValues {
    int Iterations = 51;   // It = 2.55 P1 rounded (P1 held to -1000..1000)
    int StrokeLength = 204; // SL = 2.55 P2 rounded
    int Blending = 77;     // Bl = 2.55 P3 rounded
    int Contrast = 64;     // Ct = 2.55 P4 rounded
    int Colour = 0;        // CI = 2.55 P5 rounded
    int DarkenDivisor = 14; // (255 - SL) div 8 + 8, at least 1
};
DynamicPencilValues DynamicPencilValuesFor(int P1, int P2, int P3, int P4, int P5);

// Strokes minus one ("maxi"): (100 It + 1000) x min(35, w / 200) x min(35, h / 200), rounded.
int64_t DynamicPencilStrokeCount(int Iterations, int w, int h);

// Attempts at a start point before a stroke is given up: a picture with
// (almost) no pixel dark enough to start from must not hold the run.
constexpr int kDynamicPencilStartTries = 20000;

void DynamicPencil(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                   bool Preview);

} // namespace pv
