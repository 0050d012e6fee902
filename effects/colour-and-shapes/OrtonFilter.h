#pragma once
// Orton filter (effect 400): the dreamy glow of a blurred, brightened copy
// screened over the sharp picture.

#include "engine/Effect.h"
#include "platform/system/Numbers.h"

#include <algorithm>

namespace pv {

struct TOrtonParams {
    float sigma;     // glow blur, P1 pixels
    int exposure;    // P2: glow brightening in 1/200 steps
    int strength;    // P3: share of the screened result, percent
    int vibrance;    // P4: saturation boost, percent
    int shift;       // s = (P5 - 50) * 2: darkening (< 0) or lightening (> 0)
    float shiftFactor; // s / 100 + 1, the darkening factor
};
// Script values far outside the sliders are narrowed to ranges whose results
// are the same (every channel already saturates there), so no product overflows.
TOrtonParams ComputeOrtonParams(int P1, int P2, int P3, int P4, int P5);

namespace orton_detail {

inline int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

// Darkens (s < 0) by a factor or lightens (s > 0) by an offset.
inline int Shifted(int c, const TOrtonParams& p)
{
    if (p.shift < 0)
        return ClampToByte(Round(float(c) * p.shiftFactor));
    return ClampToByte(c + p.shift);
}

} // namespace orton_detail

// The glow combination of one sharp and one glow pixel (premultiplied).
inline uint32_t OrtonPixel(uint32_t sharp, uint32_t glow, const TOrtonParams& p)
{
    const uint32_t alpha = sharp >> 24;
    int a[3], g[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = orton_detail::Channel(sharp, 16 - 8 * i);
        g[i] = orton_detail::Channel(glow, 16 - 8 * i);
        if (p.shift != 0) {
            a[i] = orton_detail::Shifted(a[i], p);
            if (p.shift < 0)
                g[i] = orton_detail::Shifted(g[i], p); // lightening leaves the glow alone
        }
        if (p.exposure > 0)
            g[i] = ClampToByte(g[i] + g[i] * p.exposure / 200);
        const int screen = 255 - (255 - a[i]) * (255 - g[i]) / 255;
        a[i] = ClampToByte(a[i] + (screen - a[i]) * p.strength / 100);
    }
    if (p.vibrance > 0) {
        const int k = (77 * a[0] + 150 * a[1] + 29 * a[2]) >> 8;
        for (int& c : a)
            c = ClampToByte(k + (c - k) * (p.vibrance + 100) / 100);
    }
    // Screen and the lifts can push colour above a translucent pixel's alpha.
    const int top = int(alpha);
    return alpha << 24 | uint32_t(std::min(a[0], top)) << 16 | uint32_t(std::min(a[1], top)) << 8 |
           uint32_t(std::min(a[2], top));
}

void OrtonFilterEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                       bool Preview);

} // namespace pv
