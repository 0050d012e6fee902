#pragma once
// The combine panel's luminance blender: per pixel, the blend picture's pixel
// (src) or the base picture's pixel (dst), whichever is lighter ("Lighten") or
// darker ("Darken") by the luminance weights 0.2126, 0.7152, 0.0722 on the
// premultiplied colours (src wins ties), mixed into dst by `mix` on all four
// channels: dst + (picked - dst) * mix.

#include "platform/graphics/SkTypes.h"

namespace pv {

uint32_t LuminanceBlendPixel(uint32_t src, uint32_t dst, float mix, bool lighten);

// dst := blend of src over dst for every pixel of the overlap of the two
// pixmaps (both premultiplied, aligned at their top-left corners).
void LuminanceBlend(const SkPixmap& src, const SkPixmap& dst, float mix, bool lighten);

// The combine panel's plain modes, likewise over the overlap: src scaled by
// the paint's alpha (0..1), then source-over, or multiply
// (s * (1 - da) + d * (1 - sa) + s * d on all four channels).
void AlphaBlend(const SkPixmap& src, const SkPixmap& dst, float alpha, bool multiply);

} // namespace pv
