#pragma once
// Stippling (effect 201): black and white dots by Atkinson error diffusion.

#include "engine/Effect.h"

namespace pv {

// Threshold of the dither: P1 / 255 as a 32-bit float.
float StipplingThreshold(int P1);
// Grey level of a stored (premultiplied) pixel, 0..1.
float StipplingGrey(uint32_t pixel);

void StipplingEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                     bool Preview);

} // namespace pv
