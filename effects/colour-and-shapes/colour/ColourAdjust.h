#pragma once
// The basic corrections the Adjustments and LUT effects share: brightness,
// contrast and saturation in one 4 x 5 colour matrix, followed by either a
// Gaussian blur or a 3 x 3 sharpening kernel.

#include "platform/graphics/SkImageFilter.h"

#include <array>

namespace pv {

struct TColourAdjust {
    float brightness = 0; // added to R, G and B, in 0..1 units
    float contrast = 1;   // scale about mid-grey 0.5
    float saturation = 1; // 0 = grey, 1 = unchanged
    float blurSigma = 0;  // > 0: Gaussian blur of this sigma
    float sharpen = 0;    // > 0 (and no blur): sharpening amount
};

// Contrast first, then brightness, then saturation (luminance weights 0.213,
// 0.715, 0.072); parts within 0.001 of neutral are left out.
std::array<float, 20> ColourAdjustMatrix(float brightness, float contrast, float saturation);

// The sharpening kernel (0, -a, 0 / -a, 4a + 1, -a / 0, -a, 0), row by row.
std::array<float, 9> SharpenKernel(float amount);

// The colour matrix as an image filter, with the blur (edges as `blurTile`
// says) or the sharpening chained after it.
ISkImageFilter MakeColourAdjustFilter(const TColourAdjust& adjust, SkTileMode blurTile);

} // namespace pv
