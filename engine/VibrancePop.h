#pragma once
// Colour finishing pass: vibrance, saturation, contrast and skin-tone
// protection, mixed with the ungraded colour.

#include "engine/Effect.h"

namespace pv {

// Grades Image into Dest (callers pass a snapshot of Dest). Vibrance,
// Saturation and Contrast are clamped to -100..100, SkinProtect and Mix to
// 0..100 (Mix is the share of the graded colour). Preview is not read. An empty
// or unreadable picture leaves Dest unchanged.
void VibrancePop(const ISkImage& Image, const ISkSurface& Dest, int Vibrance, int Saturation, int Contrast,
                 int SkinProtect, int Mix, bool Preview);

// The same grade applied to Dest's own pixels: what VibrancePop does with a
// snapshot of Dest, without making the copy.
void VibrancePopInPlace(const ISkSurface& Dest, int Vibrance, int Saturation, int Contrast, int SkinProtect, int Mix,
                        bool Preview);

// The graded value of one premultiplied pixel (the pass's per-pixel rule).
struct VibranceFactors {
    float v, s, k, p, m;
};
VibranceFactors MakeVibranceFactors(int Vibrance, int Saturation, int Contrast, int SkinProtect, int Mix);
uint32_t VibrancePixel(uint32_t pixel, const VibranceFactors& f);

} // namespace pv
