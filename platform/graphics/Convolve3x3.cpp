#include "platform/graphics/Convolve3x3.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {
namespace {

// One source row as four float planes, padded by one repeated pixel on each
// side so the taps at x - 1 and x + 1 need no edge tests.
struct PlanarRow {
    float* c[4]; // B, G, R, A

    void load(const uint32_t* px, int w, bool straight)
    {
        for (int x = 0; x < w; ++x) {
            uint32_t p = px[x];
            const uint32_t a = p >> 24;
            if (straight && a != 255) {
                auto un = [a](uint32_t v) { return a == 0 ? 0u : std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
                p = (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
            }
            for (int k = 0; k < 4; ++k)
                c[k][x + 1] = float((p >> (8 * k)) & 0xFF);
        }
        for (int k = 0; k < 4; ++k) {
            c[k][0] = c[k][1];
            c[k][w + 1] = c[k][w];
        }
    }
};

inline int ToChannel(float v)
{
    const float r = std::nearbyint(v);
    return r <= 0.0f ? 0 : (r >= 255.0f ? 255 : int(r));
}

} // namespace

void Convolve3x3(const SkPixmap& src, const SkPixmap& dst, const Convolve3x3Options& o)
{
    const int w = std::min(src.width, dst.width);
    const int h = std::min(src.height, dst.height);
    if (!src.valid() || !dst.valid() || w <= 0 || h <= 0)
        return;
    const bool straight = !o.convolveAlpha;
    const int channels = o.convolveAlpha ? 4 : 3;

    // Fixed bands of rows. Within a band every source row is read before the
    // row is written; in place, the rows just outside a band belong to its
    // neighbours, so their original pixels are kept aside first.
    constexpr int kBand = 32;
    const int bands = (h + kBand - 1) / kBand;
    const bool inPlace = src.base == dst.base;
    std::vector<uint32_t> kept;
    if (inPlace) {
        kept.resize(size_t(bands) * 2 * size_t(w));
        for (int b = 0; b < bands; ++b) {
            const int above = std::max(0, b * kBand - 1), below = std::min(h - 1, (b + 1) * kBand);
            std::copy_n(src.row(above), w, kept.data() + size_t(2 * b) * size_t(w));
            std::copy_n(src.row(below), w, kept.data() + size_t(2 * b + 1) * size_t(w));
        }
    }

    tbb::parallel_for(tbb::blocked_range<int>(0, bands, 1), [&](const tbb::blocked_range<int>& bandRange) {
        const int first = bandRange.begin() * kBand, last = std::min(h, bandRange.end() * kBand);
        const size_t stride = size_t(w) + 2;
        std::vector<float> planes(stride * 4 * 3);
        std::vector<float> sums(static_cast<size_t>(w));
        PlanarRow ring[3];
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 4; ++k)
                ring[r].c[k] = planes.data() + (size_t(r) * 4 + size_t(k)) * stride;
        int loaded[3] = {-1, -1, -1};
        auto rowOf = [&](int y) -> const PlanarRow& {
            y = std::clamp(y, 0, h - 1);
            const int slot = y % 3;
            if (loaded[slot] != y) {
                const uint32_t* pixels = src.row(y);
                if (inPlace && (y < first || y >= last)) {
                    const int band = (y < first ? first : last - 1) / kBand;
                    pixels = kept.data() + size_t(2 * band + (y < first ? 0 : 1)) * size_t(w);
                }
                ring[slot].load(pixels, w, straight);
                loaded[slot] = y;
            }
            return ring[slot];
        };

        for (int y = first; y < last; ++y) {
            // Rows y - 1, y, y + 1 clamped: at the picture's edge two of them
            // are the same row, which the ring holds once.
            const PlanarRow& top = rowOf(y - 1);
            const PlanarRow& mid = rowOf(y);
            const PlanarRow& bot = rowOf(y + 1);
            const PlanarRow* rows[3] = {&top, &mid, &bot};
            const uint32_t* in = src.row(y);
            uint32_t* out = dst.row(y);

            if (o.convolveAlpha) {
                for (int x = 0; x < w; ++x)
                    out[x] = 0;
            } else {
                for (int x = 0; x < w; ++x)
                    out[x] = in[x] & 0xFF000000u;
            }
            for (int k = channels - 1; k >= 0; --k) {
                float* s = sums.data();
                for (int x = 0; x < w; ++x)
                    s[x] = 0.0f;
                for (int r = 0; r < 3; ++r) {
                    const float* p = rows[r]->c[k];
                    const float k0 = o.kernel[r * 3], k1 = o.kernel[r * 3 + 1], k2 = o.kernel[r * 3 + 2];
                    for (int x = 0; x < w; ++x)
                        s[x] = s[x] + k0 * p[x] + k1 * p[x + 1] + k2 * p[x + 2];
                }
                const int shift = 8 * k;
                if (k == 3) {
                    for (int x = 0; x < w; ++x)
                        out[x] = uint32_t(ToChannel(s[x] * o.gain + o.bias)) << 24;
                    continue;
                }
                for (int x = 0; x < w; ++x) {
                    const uint32_t a = out[x] >> 24;
                    uint32_t v = uint32_t(ToChannel(s[x] * o.gain + o.bias));
                    if (straight) {
                        if (a != 255)
                            v = (v * a + 127) / 255;
                    } else if (v > a) {
                        v = a;
                    }
                    out[x] |= v << shift;
                }
            }
        }
    });
}

} // namespace pv
