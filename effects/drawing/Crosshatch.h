#pragma once
// Crosshatch (effect 103): pen hatching in up to six crossing layers that
// follow the picture's structure, with optional contour lines.

#include "engine/Effect.h"

#include <array>
#include <cstdint>

namespace pv {

struct CrosshatchValues {
    float Spacing = 9;          // S, at least 1.6
    float ToneContrast = -0.3f; // t
    float StrokeLength = 39.75f; // Lmax
    float StrokeWidth = 0.94f;  // Wd
    float Jitter = 0.2f;        // J
    int SmoothingRadius = 9;    // of the direction field, 2..24
};
CrosshatchValues CrosshatchValuesFor(int P1, int P3, int P4, int P5);

struct CrosshatchLayer {
    float AngleDegrees;
    float Threshold;
    float SpacingFactor;
};
extern const std::array<CrosshatchLayer, 6> kCrosshatchLayers;

// The hatching tone of a premultiplied pixel of the blurred picture (0 dark .. 1 light).
float CrosshatchTone(uint32_t pixel, float toneContrast);

// The private generator: state * 1664525 + 1013904223, (state shr 8) / 2^24.
class CrosshatchRandom {
public:
    explicit CrosshatchRandom(uint32_t seed = 0x9E3779B1u) : state_(seed) {}
    float next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return float(state_ >> 8) * (1.0f / 16777216.0f);
    }

private:
    uint32_t state_;
};

// In-place box blur of a float plane along rows, then columns; each output is
// the mean of the samples of [i - r, i + r] inside the row or column, from a
// running single-precision sum. radius <= 0 does nothing.
void BoxBlurField(float* plane, int w, int h, int radius);

void Crosshatch(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pv
