#pragma once
// Pictures for benchmarks: the 12-megapixel reference photograph.

#include "platform/graphics/SkImage.h"

#include <benchmark/benchmark.h>

#include <array>

namespace pv::bench {

// 4000 x 3000: the reference photograph when present, else a synthetic
// picture with photograph-like gradients, edges and noise.
ISkImage ReferencePhoto();

// The preview box's crop: 225 x 225 from the reference photograph, where the
// bird meets the bark (detail and flat background in one crop).
ISkImage PreviewCrop();

// What the preview box renders of `picture` when it shows it at `zoom`: the
// box's 225 x 225 divided by the zoom, from the same place as PreviewCrop,
// cut short by the picture's edges (at 25 % a 640-pixel photo is all of it).
ISkImage PreviewRegion(const ISkImage& picture, double zoom);

// The reference photograph scaled to 640 x 480, a photo from a phone's
// messenger or a web page.
ISkImage SmallPhoto();

// An effect's five parameters as the desktop program starts with them.
std::array<int, 5> DesktopDefaults(int number);

// Runs an effect on the reference photograph once per iteration (a full
// render through the dispatcher) and reports megapixels per second.
void RunEffectOnReference(benchmark::State& state, int number, int P1, int P2, int P3, int P4, int P5);

} // namespace pv::bench
