#pragma once
// Paints a drawing's coverage onto the target: every covered pixel gets the
// paint's colour or shader colour (times the paint's alpha), through the
// colour filter, blended with the coverage and the clip's coverage.

#include "platform/graphics/RasterTarget.h"
#include "platform/graphics/SkMatrix.h"
#include "platform/graphics/SkShader.h"

namespace pv {

struct CoverageMask {
    const uint8_t* base = nullptr; // null = full coverage over bounds
    size_t rowBytes = 0;
    SkIRect bounds; // device pixels the mask covers

    const uint8_t* row(int y) const { return base + size_t(y - bounds.top) * rowBytes - bounds.left; }
};

// shader may be null (then the straight colour is used); deviceToLocal maps
// device coordinates into the shader's drawing space.
void BlitCoverage(const RasterTarget& target, const CoverageMask& mask, const SkShader* shader,
                  const SkMatrix& deviceToLocal, TAlphaColor color, const RasterPaint& paint);

} // namespace pv
