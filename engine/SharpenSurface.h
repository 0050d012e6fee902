#pragma once
// Colour finishing pass: a 3 x 3 sharpening convolution drawn back into a surface.

#include "engine/Effect.h"

namespace pv {

// Clears Surface and draws Source (a snapshot of Surface when null) sharpened
// into it. Amount is clamped to 0..100; 0 redraws the picture unchanged. Alpha
// is kept and the border pixels repeat outward. A null Surface does nothing.
void SharpenSurface(const ISkImage& Source, const ISkSurface& Surface, int Amount);

// The kernel for an amount, row by row: 0, -a, 0 / -a, 1 + 4a, -a / 0, -a, 0.
void SharpenKernel(int Amount, float kernel[9]);

} // namespace pv
