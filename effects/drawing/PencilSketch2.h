#pragma once
// Pencil Sketch 2 (effect 101): many short grey pencil lines on white paper,
// each placed by a greedy best-of-N search, with the colours optionally laid over.

#include "engine/Effect.h"

#include <cstdint>
#include <vector>

namespace pv {

struct Pencil6Values {
    int MinLen = 10;  // min(P1, MaxLen)
    int MaxLen = 45;  // P2 + 5
    int Quality = 75; // Q = 2.5 P5 rounded
    int ColourOpacity = 0; // alpha of the colour layer, Round(255 P4 / 100), 0..255
};
// Script values are held to what can run: stroke sizes within +-10000 and a
// quality within -1000..500 (at most 25 times the usual candidates).
Pencil6Values Pencil6ValuesFor(int P1, int P2, int P4, int P5);

// Steps of the stroke loop minus one ("maxi"): 20 P3 + 100, in a full render
// scaled by the picture's area over 200 x 200 and plus 1. P3 is held to
// -5..1000, so a run never divides by 0 nor runs without end.
int64_t Pencil6StepCount(int P3, int W, int H, bool Preview);

// Candidates per search at a progress percentage.
int Pencil6Candidates(int Quality, int Pct);

// The pixels of a line from (x1, y1) to (x2, y2), both ends included.
void BresenhamLine(int x1, int y1, int x2, int y2, std::vector<int>& xy);

void Pencil6(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pv
