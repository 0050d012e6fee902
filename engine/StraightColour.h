#pragma once
// Translucent pictures painted in straight colour. An effect that mixes
// colours as if they were opaque works on the source's straight colour (the
// premultiplied bytes divided by alpha), paints an opaque picture, and then
// gives every pixel the source's alpha, premultiplying the colour once.
// Opaque pictures need none of this: their bytes are straight already.

#include "platform/graphics/SkImage.h"
#include "platform/system/LargeBuffer.h"

#include <cstdint>

namespace pv {

// One pixel's straight colour, alpha kept; opaque pixels are returned as they are.
inline uint32_t StraightPixel(uint32_t p) { return (p >> 24) == 255 ? p : UnpremultiplyPixel(p); }

// The picture's pixels in straight colour, alpha kept, as a pixmap over its
// own buffer.
struct StraightPicture {
    LargeBuffer<uint32_t> pixels;
    SkPixmap map;
};
StraightPicture MakeStraightPicture(const SkPixmap& picture);

// Every canvas pixel takes the alpha of the source pixel at the same place;
// its colour, read as straight colour (un-premultiplied first where the
// canvas is translucent), is premultiplied with that alpha. The canvas may be
// larger than the source; only the source's area changes.
void GiveSourceAlpha(const SkPixmap& source, const SkPixmap& canvas);

// Every canvas pixel, colour and alpha, scaled by the source's alpha at the
// same place (destination-in), for an effect that drew straight colours
// opaquely onto a canvas of its own coverage: what it left uncovered stays
// transparent, and what it painted is premultiplied once.
void ScaleBySourceAlpha(const ISkImage& source, const ISkSurface& canvas);

// A copy of the canvas with the source's alpha given to it, for showing an
// unfinished straight-colour painting; null when no copy can be made.
ISkSurface CopyWithSourceAlpha(const SkPixmap& source, const ISkSurface& canvas);

} // namespace pv
