#pragma once
// Vintage / Sepia (effect 402): an old print: soft blur, partial
// desaturation, sepia toning, film grain and a vignette.

#include "engine/Effect.h"

#include <algorithm>

namespace pv {

struct TVintageSepiaParams {
    int P1, P2, P3, P4, P5; // clamped to 0..100
    int Kc;                 // share of the source colour kept before toning, 0..256
    int Ks;                 // share of the sepia tone, 0..256
    float vignette;         // P3 / 100
    int grainAmp;           // Round(0.306 P4)
    float blurSigma;        // 0.0375 P5 (0 when P5 is 0)
};
TVintageSepiaParams ComputeVintageSepiaParams(int P1, int P2, int P3, int P4, int P5);

// The colour of one straight pixel before grain and vignette.
struct TSepiaRGB {
    int r, g, b;
};
inline TSepiaRGB SepiaTone(int r, int g, int b, int Kc, int Ks)
{
    const int Y = (77 * r + 150 * g + 29 * b) >> 8;
    const int r1 = (r - Y) * Kc / 256 + Y, g1 = (g - Y) * Kc / 256 + Y, b1 = (b - Y) * Kc / 256 + Y;
    const int sr = std::min(255, (112 * r1 + 195 * g1 + 50 * b1) >> 8);
    const int sg = std::min(255, (86 * r1 + 170 * g1 + 42 * b1) >> 8);
    const int sb = (56 * r1 + 117 * g1 + 26 * b1) >> 8;
    return {(sr - r1) * Ks / 256 + r1, (sg - g1) * Ks / 256 + g1, (sb - b1) * Ks / 256 + b1};
}

void VintageSepiaEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview);

} // namespace pv
