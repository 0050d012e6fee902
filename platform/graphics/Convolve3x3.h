#pragma once
// 3 x 3 matrix convolution of a premultiplied raster, the pixel work behind the
// matrix-convolution image filter: Clamp tiling (the edge pixels repeat
// outward), kernel offset at the centre, gain and bias.

#include "platform/graphics/SkTypes.h"

namespace pv {

struct Convolve3x3Options {
    float kernel[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0}; // row by row, top-left first
    float gain = 1.0f;
    float bias = 0.0f; // added after the gain, in channel units (0..255)
    // False: only the colour channels are convolved, on straight colour, and
    // every pixel keeps its own alpha.
    bool convolveAlpha = true;
};

// Writes the convolution of src into dst (same size; dst may be src itself).
// Parallel over rows; every pixel depends only on its neighbourhood, so the
// result never depends on the number of threads. Channels are rounded to the
// nearest value and kept at or below alpha.
void Convolve3x3(const SkPixmap& src, const SkPixmap& dst, const Convolve3x3Options& options);

} // namespace pv
