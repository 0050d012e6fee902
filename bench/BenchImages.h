#pragma once
// Pictures for benchmarks: the 12-megapixel reference photograph.

#include "platform/graphics/SkImage.h"

namespace pv::bench {

// 4000 x 3000: the reference photograph when present, else a synthetic
// picture with photograph-like gradients, edges and noise.
ISkImage ReferencePhoto();

} // namespace pv::bench
