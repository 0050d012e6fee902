#pragma once
// Gaussian blur of 8-bit planes: premultiplied BGRA pixels (4 interleaved
// channels) or coverage masks (1 channel). Sigma is the standard deviation in
// pixels, per axis. Below sigma 2 the exact sampled Gaussian is used (radius
// ceil(3 sigma), weights normalised); from 2 up, three successive box filters
// whose sizes follow the W3C filter-effects rule, with all three sums kept
// exact in integers, so the cost does not grow with sigma. Separable, with
// the vertical pass over column strips and the horizontal one over rows, both
// parallel; results never depend on the thread count.

#include "platform/graphics/SkTypes.h"

namespace pv {

struct SkPlane {
    uint8_t* base = nullptr;
    int width = 0;
    int height = 0;
    size_t rowBytes = 0;
    int channels = 4; // 4 (premultiplied BGRA) or 1 (coverage)

    static SkPlane FromPixmap(const SkPixmap& pm) { return {pm.base, pm.width, pm.height, pm.rowBytes, 4}; }
    uint8_t* row(int y) const { return base + size_t(y) * rowBytes; }
};

// Sigmas above this are treated as this (the 2D library's limit).
constexpr float kMaxBlurSigma = 532.0f;

// Blurs src into dst (same size and channel count; dst may be src itself).
// Tile decides what lies outside the plane: Clamp repeats the edge pixels,
// Decal is transparent (the edges lose energy), Repeat and Mirror tile.
// A sigma of zero, negative or not finite leaves that axis alone.
void GaussianBlur(const SkPlane& src, const SkPlane& dst, float sigmaX, float sigmaY, SkTileMode tile);

// The three box windows standing in for a Gaussian of this sigma: offsets
// [lo, hi] relative to the output pixel (all empty when no blur is needed).
struct BoxWindows {
    int lo[3] = {0, 0, 0};
    int hi[3] = {0, 0, 0};
    bool empty = true;
};
BoxWindows BlurBoxWindows(float sigma);

// Sigma below which the exact kernel is used.
constexpr float kExactBlurSigmaLimit = 2.0f;

} // namespace pv
