#pragma once
// Retro film (effect 403): the faded colour of old film stock: a warm colour
// matrix, saturation and contrast, colourless grain and a vignette.

#include "engine/Effect.h"
#include "platform/system/Numbers.h"

namespace pv {

struct TRetroFilmParams {
    int P1, P2, P3, P4, P5; // clamped to 0..100
    float saturation;       // Fs = 0.5 + 1.5 P1 / 100
    float warmth;           // w = 0.1 P2 / 100 - 0.04
    float contrast;         // Fc = 0.8 + 0.8 P3 / 100
    int grainAmp;           // Round(0.408 P4)
    float vignette;         // P5 / 100
    float offset[3];        // the matrix's red, green and blue offsets
};
TRetroFilmParams ComputeRetroFilmParams(int P1, int P2, int P3, int P4, int P5);

struct TRGBf {
    float r, g, b;
};

inline float RetroClamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// The warm film matrix on straight colour in 0..1, each result clamped to 0..1.
inline TRGBf RetroFilmMatrix(const TRetroFilmParams& p, TRGBf c)
{
    return {RetroClamp01(1.12f * c.r + 0.05f * c.g - 0.02f * c.b + p.offset[0]),
            RetroClamp01(-0.02f * c.r + 1.0f * c.g + 0.05f * c.b + p.offset[1]),
            RetroClamp01(-0.04f * c.r - 0.04f * c.g + 0.9f * c.b + p.offset[2])};
}

// Matrix, saturation and contrast of straight colour in 0..1, as bytes.
inline void RetroFilmGrade(const TRetroFilmParams& p, TRGBf c, int& R, int& G, int& B)
{
    const TRGBf m = RetroFilmMatrix(p, c);
    const float Y = 0.299f * m.r + 0.587f * m.g + 0.114f * m.b;
    auto finish = [&](float ch) {
        ch = RetroClamp01(Y + (ch - Y) * p.saturation);
        ch = RetroClamp01((ch - 0.5f) * p.contrast + 0.5f);
        return Round(ch * 255.0f);
    };
    R = finish(m.r);
    G = finish(m.g);
    B = finish(m.b);
}

void RetroFilmEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                     bool Preview);

} // namespace pv
