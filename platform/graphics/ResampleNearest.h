#pragma once
// Nearest-neighbour resampling of premultiplied pictures: the fast sampling
// used while the user is in the middle of a gesture.

#include "platform/graphics/SkTypes.h"

namespace pv {

// Fills every pixel of dst with the source rectangle srcRect of src mapped onto
// dstRect (dstRect in dst's pixel coordinates, both may be fractional): the
// pixel centred at (x + 0.5, y + 0.5) takes the source pixel under the point
// the mapping sends it to, clamped to srcRect rounded out to whole pixels.
// Same contract as ResampleCubic: src and dst must not overlap; false, writing
// nothing, for an invalid pixmap or an empty or non-finite rectangle.
bool ResampleNearest(const SkPixmap& src, const SkRect& srcRect, const SkPixmap& dst, const SkRect& dstRect);

} // namespace pv
