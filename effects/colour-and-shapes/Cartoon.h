#pragma once
// Cartoon (effect 501): flattened, boosted colours with dark contour lines,
// or the lines alone on white.

#include "engine/ContourLines.h"
#include "engine/Effect.h"

namespace pv {

// Script values are held to what can run: no blur for a sigma of 0 or less,
// at most kMaxCartoonRadius for the smoothing window and kMaxCartoonPasses
// passes, a colour sigma of at least kMinCartoonRangeSigma.
constexpr int kMaxCartoonRadius = 32;
constexpr int kMaxCartoonPasses = 16;
constexpr float kMinCartoonRangeSigma = 0.5f;

struct CartoonValues {
    float PreBlurSigma = 1.34f; // 0.018 P1 + 0.8; 0 = no blur
    int SmoothRadius = 8;       // Round(0.1 P1) + 5
    int SmoothPasses = 5;       // Round(0.05 P1) + 3
    float RangeSigma = 64;      // 0.8 P1 + 40
    float SatBoost = 1.56f;     // 1 + 0.014 P4
    float LumiBoost = 1.136f;   // 1 + 0.0016 P3
    ContourSettings Contours;   // the detector with Strength P2
    ContourLineStyle Lines;     // the dots: intensity times P3 / 100, thickness from P5
};
// w x h is the picture's size (it sets the detector's window and shortest chain).
CartoonValues CartoonValuesFor(int w, int h, int P1, int P2, int P3, int P4, int P5, bool Preview);

// The colour boost of one premultiplied pixel (alpha 0 stays as it is).
uint32_t CartoonBoostPixel(uint32_t pixel, float satBoost, float lumiBoost);

void CartoonEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                   bool Preview);

} // namespace pv
