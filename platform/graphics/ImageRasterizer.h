#pragma once
// The graphics layer's own image drawing: a source rectangle of a picture
// mapped through any affine matrix onto the target, sampled nearest, linear,
// linear from the nearest mipmap level, or cubic with free B and C. Only the
// destination's bounds are touched, rows in parallel for large drawings;
// small drawings (brush stamps) run inline with stack buffers only.
//
// Coverage of the rectangle's edges is anti-aliased or pixel-centre exact as
// the paint says; a whole-pixel translation copies pixels unchanged whatever
// the sampling.

#include "platform/graphics/RasterTarget.h"
#include "platform/graphics/SkMatrix.h"
#include "platform/graphics/SkSamplingOptions.h"

namespace pv {

class SkImage;

struct ImageSource {
    SkPixmap pixels;                // premultiplied
    const SkImage* image = nullptr; // for its mip chain; null = no mipmaps
};

// srcToDevice maps source pixel coordinates to device coordinates. strict
// keeps every tap inside srcRect (rounded out); otherwise taps may read the
// whole picture (the fast constraint).
void DrawImageRaster(const RasterTarget& target, const ImageSource& source, const SkRect& srcRect,
                     const SkMatrix& srcToDevice, const SkSamplingOptions& sampling, bool strict,
                     const RasterPaint& paint);

} // namespace pv
