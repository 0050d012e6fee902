#pragma once
// Cubic resampling of premultiplied pictures: the graphics layer's cubic
// sampling (Mitchell-Netravali family with free B and C).
//
// Separable and two-pass: each output row band first filters the source rows
// it needs horizontally, then filters those vertically. Weights are computed
// once per output column and row. When an axis shrinks, the kernel is widened
// by the scale factor, so a downscale filters like a proper resize instead of
// aliasing. Output stays valid premultiplied (0 <= colour <= alpha <= 255).

#include "platform/graphics/SkTypes.h"

namespace pv {

// Mitchell-Netravali, the "high quality" sampling.
constexpr float kMitchellB = 1.0f / 3.0f;
constexpr float kMitchellC = 1.0f / 3.0f;
// Catmull-Rom: sharper, used by the full-screen viewer.
constexpr float kCatmullRomB = 0.0f;
constexpr float kCatmullRomC = 0.5f;

// The cubic filter at distance x (in unscaled source pixels); zero for |x| >= 2.
double CubicFilter(double x, float B, float C);

// Fills every pixel of dst with the source rectangle srcRect of src mapped onto
// dstRect (dstRect in dst's pixel coordinates, both may be fractional): the
// pixel centred at (x + 0.5, y + 0.5) samples the source where the mapping
// sends it, also when that centre lies outside dstRect. Taps never leave
// srcRect rounded out to whole pixels (the edge pixel repeats beyond it). An
// axis with scale 1 and a whole-pixel offset is copied exactly. src and dst
// must not overlap. Returns false, writing nothing, when a pixmap is invalid
// or a rectangle empty or not finite.
bool ResampleCubic(const SkPixmap& src, const SkRect& srcRect, const SkPixmap& dst, const SkRect& dstRect, float B,
                   float C);

// The whole picture scaled to width x height (aspect ratio not kept). Null for
// a missing picture and for an empty or absurd size; std::bad_alloc when the
// result does not fit in memory.
ISkImage ResampleImageCubic(const ISkImage& image, int width, int height, float B, float C);

} // namespace pv
