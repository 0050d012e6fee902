#pragma once
// Applying an effect through a painted mask (the manual brush): the region a
// stroke's effect renders, and the blend of the rendered part into the result
// through the mask's 8-bit coverage at the brush opacity.

#include "platform/graphics/SkTypes.h"

#include <QImage>

namespace pv {

// The smallest rectangle (picture pixels, right and bottom exclusive) holding
// every pixel of the coverage mask (Format_Alpha8) that is not 0; empty when
// there is none.
SkIRect MaskCoverageBounds(const QImage& mask);

// The region the effect renders for mask bounds on a w x h picture: the bounds
// clipped to the picture, grown by w x 1 % + 4 sideways and h x 1 % + 4
// vertically on each side, and clipped again. Empty when the bounds miss the picture.
SkIRect ManualBrushRegion(const SkIRect& maskBounds, int w, int h);

// The base picture with the rendered part (covering region, whose size it
// has) laid over it through the mask's coverage times the opacity (0..1):
// result = part x k + base x (1 - alpha(part) x k), k = coverage x opacity,
// on premultiplied pixels. Rows run in parallel; the picture outside the
// region is the base's. Null when the sizes do not fit; std::bad_alloc when
// memory runs out.
ISkImage BlendThroughMask(const ISkImage& base, const ISkImage& part, const QImage& mask, const SkIRect& region,
                          float opacity);

// One stroke's application: the effect rendered from the source on the
// stroke's region (the effects that start from the result start from the
// base's region), the stored texture laid over it when given, and the part
// blended into the base through the mask at the opacity.
struct TMaskedEffectRun {
    ISkImage Base;   // the result the stroke lands on
    ISkImage Source; // the effect's input
    QImage Mask;     // Format_Alpha8, the pictures' size
    SkIRect MaskBounds;
    float Opacity = 1;
    int EffectNumber = -1;
    int P[5] = {};
    const QImage* Texture = nullptr; // null: no texture
    int TextureStrength = 50;
    float TextureScale = 1;
};
// The new result, or null when the stroke misses the pictures (missing
// pictures, sizes that differ, bounds outside). Runs on the calling thread;
// a cancelled effect's abort reaches the caller, as do other errors.
ISkImage ApplyEffectThroughMask(const TMaskedEffectRun& run);

} // namespace pv
