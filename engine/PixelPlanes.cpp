// Shared plane passes of the drawing effects.

#include "engine/PixelPlanes.h"

#include "engine/Effect.h"

namespace pv {

LargeBuffer<uint8_t> AlphaPlane(const SkPixmap& pixels)
{
    const size_t W = size_t(std::max(0, pixels.width));
    LargeBuffer<uint8_t> alpha(W * size_t(std::max(0, pixels.height)));
    ParallelForRange(0, pixels.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* row = pixels.row(y);
            uint8_t* out = alpha.data() + size_t(y) * W;
            for (size_t x = 0; x < W; ++x)
                out[x] = uint8_t(row[x] >> 24);
        }
    }, 16);
    return alpha;
}

void SobelGradients(const uint8_t* grey, int w, int h, int16_t* gx, int16_t* gy)
{
    SobelGradientRows(grey, w, h, 0, h, gx, gy);
}

void SobelGradientRows(const uint8_t* grey, int w, int h, int y0, int y1, int16_t* gx, int16_t* gy)
{
    if (w <= 0 || h <= 0)
        return;
    const size_t W = size_t(w);
    ParallelForRange(std::max(0, y0), std::min(h, y1), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            int16_t* ox = gx + size_t(y) * W;
            int16_t* oy = gy + size_t(y) * W;
            if (y == 0 || y == h - 1 || w < 3) {
                std::fill_n(ox, W, int16_t(0));
                std::fill_n(oy, W, int16_t(0));
                continue;
            }
            const uint8_t* up = grey + size_t(y - 1) * W;
            const uint8_t* mid = grey + size_t(y) * W;
            const uint8_t* dn = grey + size_t(y + 1) * W;
            ox[0] = oy[0] = ox[w - 1] = oy[w - 1] = 0;
            for (int x = 1; x < w - 1; ++x) {
                const int right = up[x + 1] + 2 * mid[x + 1] + dn[x + 1];
                const int left = up[x - 1] + 2 * mid[x - 1] + dn[x - 1];
                const int lower = dn[x - 1] + 2 * dn[x] + dn[x + 1];
                const int upper = up[x - 1] + 2 * up[x] + up[x + 1];
                ox[x] = int16_t(right - left);
                oy[x] = int16_t(lower - upper);
            }
        }
    }, 16);
}

void ClampedRowSums(const uint8_t* in, int w, int h, int r, uint16_t* out)
{
    if (w <= 0 || h <= 0)
        return;
    const size_t W = size_t(w);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint8_t* s = in + size_t(y) * W;
            uint16_t* o = out + size_t(y) * W;
            int sum = 0;
            for (int dx = -r; dx <= r; ++dx)
                sum += s[std::clamp(dx, 0, w - 1)];
            for (int x = 0; x < w; ++x) {
                o[x] = uint16_t(sum);
                sum += s[std::min(x + r + 1, w - 1)] - s[std::max(x - r, 0)];
            }
        }
    }, 16);
}

void ClampedColumnSums(const uint16_t* rowSums, int w, int h, int r, int y, uint32_t* out)
{
    const size_t W = size_t(w);
    std::fill_n(out, W, 0u);
    for (int dy = -r; dy <= r; ++dy) {
        const uint16_t* s = rowSums + size_t(std::clamp(y + dy, 0, h - 1)) * W;
        for (size_t x = 0; x < W; ++x)
            out[x] += s[x];
    }
}

} // namespace pv
