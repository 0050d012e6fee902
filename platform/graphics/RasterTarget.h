#pragma once
// Where the graphics layer's own rasterising code draws: the pixels of the
// current layer placed in device space, the pixels a drawing may change, and
// an optional anti-aliased clip coverage. Also the per-span finish every
// drawing shares: colour filter, then blend with coverage.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkColorFilter.h"
#include "platform/graphics/SkTypes.h"

#include <algorithm>
#include <vector>

namespace pv {

// Coverage (0..255) of a clip over a device rectangle; zero outside it.
struct SkClipMask {
    SkIRect bounds;
    std::vector<uint8_t> coverage; // row-major over bounds

    const uint8_t* row(int y) const
    {
        return coverage.data() + size_t(y - bounds.top) * size_t(bounds.width());
    }
    uint8_t at(int x, int y) const { return bounds.contains(x, y) ? row(y)[x - bounds.left] : 0; }
};

struct RasterTarget {
    SkPixmap pixels;                  // the layer's premultiplied pixels
    SkIPoint origin;                  // device position of pixels' top-left
    SkIRect bounds;                   // device pixels a drawing may change (inside the layer)
    const SkClipMask* clip = nullptr; // anti-aliased clip, covering at least bounds

    uint32_t* row(int y) const { return pixels.row(y - origin.fY) - origin.fX; } // index with device x
};

struct RasterPaint {
    float alpha = 1.0f;                       // multiplies the source before the colour filter
    const SkColorFilter* colorFilter = nullptr;
    SkBlendMode mode = SkBlendMode::kSrcOver;
    bool antiAlias = false;
};

// Spans are processed in pieces of this many pixels held on the stack.
constexpr int kSpanChunk = 256;

// cov[i] *= clip coverage of device pixels (x + i, y).
inline void ApplyClipCoverage(const SkClipMask* clip, int x, int y, int n, uint8_t* cov)
{
    if (!clip)
        return;
    if (y < clip->bounds.top || y >= clip->bounds.bottom) {
        std::fill_n(cov, n, uint8_t(0));
        return;
    }
    const uint8_t* c = clip->row(y);
    for (int i = 0; i < n; ++i) {
        const int xx = x + i;
        const uint32_t m = (xx >= clip->bounds.left && xx < clip->bounds.right) ? c[xx - clip->bounds.left] : 0u;
        const uint32_t v = cov[i] * m + 128;
        cov[i] = uint8_t((v + (v >> 8)) >> 8);
    }
}

// Colour filter on the source span (in place), then blend onto dst.
inline void FinishSpan(const RasterPaint& paint, uint32_t* dst, uint32_t* src, const uint8_t* cov, int n)
{
    if (paint.colorFilter)
        paint.colorFilter->filterSpan(src, n);
    BlendSpan(paint.mode, dst, src, cov, n);
}

} // namespace pv
