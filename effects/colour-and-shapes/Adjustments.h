#pragma once
// Adjustments (effect 401): brightness, contrast and saturation, a local
// contrast "structure" boost, and blur or sharpening.

#include "effects/colour-and-shapes/colour/ColourAdjust.h"
#include "engine/Effect.h"

#include <cstdint>
#include <vector>

namespace pv {

struct TAdjustmentsParams {
    TColourAdjust adjust;   // b = (P1 - 50) / 200, c = P2 / 50, s = P3 / 50, blur / sharpen from P5
    bool structure;         // P4 > 0
    float structureWeight;  // w = min(P4 / 100, 1)
    float structureGain;    // g = P4 / 50 + 1
    int boxRadius;          // r = P4 div 10 + 5
};
TAdjustmentsParams ComputeAdjustmentsParams(int P1, int P2, int P3, int P4, int P5);

// Box mean of radius r along a line of n values (edge values repeat), each
// output the integer quotient of the window's sum; O(1) per value whatever r.
void BoxMeanLine(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep, int n, int r);
// The same down `columns` neighbouring columns of n rows at once.
void BoxMeanColumns(const uint8_t* in, uint8_t* out, size_t rowBytes, int columns, int n, int r);

// The structure rule for one pixel: its luminance L, the box mean B around it;
// returns the factor q by which its channels are scaled.
float StructureRatio(int L, int B, float gain, float weight);

void AdjustmentsEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                       bool Preview);

} // namespace pv
