#pragma once
// Anti-aliased filling of simple polygons straight into a premultiplied raster.
//
// Effects that stamp tens of thousands of small polygons (and read the canvas
// back between stamps) use this instead of the canvas: no painter state, no
// path objects, coverage computed exactly from the covered area of each pixel,
// and large polygons blended in parallel over rows.

#include "platform/graphics/SkTypes.h"

#include <cstdint>
#include <vector>

namespace pv {

class PolygonFiller {
public:
    // Fills the closed polygon xy[0], xy[1], ..., xy[2 count - 1] (the last point
    // joins the first) source-over with a premultiplied colour, clipped to the
    // pixmap. Non-zero fill for simple (not self-crossing) outlines.
    void fill(const SkPixmap& dst, const float* xy, int count, uint32_t premulColour);

private:
    std::vector<float> cells_; // accumulated coverage changes, zero between calls
    std::vector<uint64_t> marks_; // per row, one bit per cell written
};

} // namespace pv
