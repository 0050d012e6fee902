#pragma once
// Black & white ink (effect 200): pure black ink on white paper.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

// The values the run derives from its parameters (64-bit: scripts may pass
// any integer).
struct InkValues {
    int64_t Detail = 0;        // L = 2.55 P1 rounded
    int64_t Darkness = 0;      // Dk = 2.55 P2 rounded
    int64_t Simplify = 0;      // S = 2.55 P3 rounded
    int64_t EdgeLimit = 0;     // 5 (Dk - 15): a darker edge response gets ink
    int64_t MeanOffset = 0;    // 2 (P4 - 50), added to the global mean
    int64_t TurnBlackAt = 0;   // 160 S: a white pixel with no more weighted white turns black
    int64_t TurnWhiteAt = 0;   // 160 (255 - S): a black pixel with at least this much turns white
    bool Simplification = false; // P3 > 0
};
InkValues BlackAndWhiteInkValues(int P1, int P2, int P3, int P4);

// Clean-up iterations of the simplification pass.
int InkSimplifyIterations(bool Preview);

// The fill threshold T = (N + Tm + 192 - L) div 6 of pass 1, N being
// (Sum81 - c) div 20 and Tm the global mean with its offset.
int64_t InkFillThreshold(int64_t Sum81, int c, int64_t Tm, int64_t Detail);

// The mean grey of at most 50 evenly spaced rows of a w x h grey plane.
int64_t InkGlobalMean(const uint8_t* grey, int w, int h);

void blackandwhiteInk(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                      bool Preview);

} // namespace pv
