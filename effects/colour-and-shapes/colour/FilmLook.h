#pragma once
// What the two old-film looks (Vintage / Sepia and Retro film) share: the
// colourless grain of a per-pixel hash and the darkening toward the corners.

#include "engine/Effect.h"
#include "platform/system/Numbers.h"

#include <cmath>
#include <cstdint>

namespace pv {

// Grain noise of a pixel, -256..255: a hash of its coordinates built from the
// 32-bit primes of xxHash, the same in every run.
inline int GrainNoise(int x, int y)
{
    uint32_t h = (uint32_t(x) * 0x9E3779B1u) ^ (uint32_t(y) * 0x85EBCA77u);
    h ^= h >> 13;
    h *= 0xC2B2AE3Du;
    h ^= h >> 16;
    return int(h & 0x1FFu) - 256;
}

// The vignette: untouched inside the inner radius, then darkening with the
// square of the distance into the ramp, down to 1 - depth at the corners.
struct TVignette {
    float cx = 0, cy = 0; // centre
    float inner = 0;      // Ri
    float inner2 = 0;     // Ri²
    float ramp = 1;       // Wr
    float depth = 0;      // Dv

    // Amount v in 0..1 (P / 100) for a W x H picture.
    static TVignette Make(int W, int H, float v)
    {
        TVignette g;
        g.cx = 0.5f * float(W);
        g.cy = 0.5f * float(H);
        const float D = std::sqrt(g.cx * g.cx + g.cy * g.cy);
        g.inner = D * (1.0f - 0.6f * v);
        g.inner2 = g.inner * g.inner;
        g.ramp = std::fmax(D - g.inner, 0.001f);
        g.depth = 0.85f * v;
        return g;
    }

    // Factor for a pixel whose squared distance from the centre is d2 (1
    // inside the inner radius).
    float Factor(float d2) const
    {
        if (d2 <= inner2)
            return 1.0f;
        const float t = std::fmin(1.0f, (std::sqrt(d2) - inner) / ramp);
        return 1.0f - t * t * depth;
    }
};

// The end of a film pixel: the grain added to all three channels (so it never
// tints), the vignette factor applied with rounding, and the straight colour
// premultiplied by alpha A again.
inline uint32_t FinishFilmPixel(int r, int g, int b, uint32_t A, int noise, float factor)
{
    if (noise != 0)
        r = ClampToByte(r + noise), g = ClampToByte(g + noise), b = ClampToByte(b + noise);
    if (factor != 1.0f)
        r = Round(float(r) * factor), g = Round(float(g) * factor), b = Round(float(b) * factor);
    uint32_t R = ClampToByte(r), G = ClampToByte(g), B = ClampToByte(b);
    if (A < 255)
        R = R * A / 255, G = G * A / 255, B = B * A / 255;
    return A << 24 | R << 16 | G << 8 | B;
}

// Runs body(y) for rows 0..H - 1, in parallel bands of 64 rows. A full render
// stops before a band once cancelled (the rows done so far stay graded) and
// reports y * 100 / H at the start of each band; inside a band each row is
// skipped once cancelled. A preview runs every row.
template <typename RowBody>
void ForFilmRows(int H, bool Preview, RowBody&& body)
{
    constexpr int kBand = 64;
    for (int y0 = 0; y0 < H; y0 += kBand) {
        if (!Preview) {
            if (IsEffectCancelled())
                return;
            SafeUpdateProgress(int(int64_t(y0) * 100 / H));
        }
        ParallelForRange(y0, std::min(H, y0 + kBand), [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                if (!Preview && IsEffectCancelled())
                    return;
                body(y);
            }
        });
    }
}

// A film look's colour for one pixel, before grain is added and the vignette
// applied: straight channels and the grain noise.
struct TFilmColour {
    int r, g, b;
    int noise;
};

// Runs a film look in place: Dest is cleared and given the base picture (the
// earlier result never shows through); then every pixel with alpha above 4
// gets grade(x, y, pixel) with grain, the vignette (when vignetteAmount > 0)
// and premultiplication applied. Nothing more happens when the picture is
// empty or Dest's pixels cannot be reached.
template <typename Grade>
void RunFilmPass(const ISkImage& Source, const ISkSurface& Dest, const ISkImage& base, float vignetteAmount,
                 bool Preview, Grade&& grade)
{
    SkCanvas* canvas = Dest->getCanvas();
    canvas->save();
    canvas->clear(kColorTransparent);
    canvas->drawImage(base, 0, 0);
    canvas->restore();
    const int W = Source->width(), H = Source->height();
    SkPixmap dst;
    if (W == 0 || H == 0 || !Dest->peekPixels(dst))
        return;
    const int w = std::min(W, dst.width), h = std::min(H, dst.height);
    const TVignette vignette = TVignette::Make(W, H, vignetteAmount);
    ForFilmRows(h, Preview, [&](int y) {
        uint32_t* row = dst.row(y);
        const float dy = float(y) - vignette.cy;
        for (int x = 0; x < w; ++x) {
            const uint32_t v = row[x];
            if ((v >> 24) <= 4)
                continue;
            const TFilmColour c = grade(x, y, v);
            const float dx = float(x) - vignette.cx;
            const float factor = vignetteAmount > 0 ? vignette.Factor(dx * dx + dy * dy) : 1.0f;
            row[x] = FinishFilmPixel(c.r, c.g, c.b, v >> 24, c.noise, factor);
        }
    });
}

} // namespace pv
