// Retro film: colours as faded film stock shows them, warmer or cooler as the
// warmth says, with grain that never tints and dark corners.

#include "effects/colour-and-shapes/RetroFilm.h"

#include "effects/colour-and-shapes/colour/FilmLook.h"
#include "platform/system/Numbers.h"

namespace pv {

TRetroFilmParams ComputeRetroFilmParams(int P1, int P2, int P3, int P4, int P5)
{
    TRetroFilmParams p;
    p.P1 = Clamp(P1, 0, 100);
    p.P2 = Clamp(P2, 0, 100);
    p.P3 = Clamp(P3, 0, 100);
    p.P4 = Clamp(P4, 0, 100);
    p.P5 = Clamp(P5, 0, 100);
    p.saturation = 0.5f + 1.5f * float(p.P1) / 100.0f;
    p.warmth = 0.1f * float(p.P2) / 100.0f - 0.04f;
    p.contrast = 0.8f + 0.8f * float(p.P3) / 100.0f;
    p.grainAmp = Round(0.408 * p.P4);
    p.vignette = float(p.P5) / 100.0f;
    p.offset[0] = 0.03f + p.warmth;
    p.offset[1] = 0.01f + 0.4f * p.warmth;
    p.offset[2] = 0.05f - 0.5f * p.warmth;
    return p;
}

void RetroFilmEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                     bool Preview)
{
    if (!Source || !Dest)
        return;
    const TRetroFilmParams p = ComputeRetroFilmParams(P1, P2, P3, P4, P5);

    RunFilmPass(Source, Dest, Source, p.vignette, Preview, [&](int x, int y, uint32_t v) {
        const uint32_t A = v >> 24;
        TRGBf c{float((v >> 16) & 0xFF) / 255.0f, float((v >> 8) & 0xFF) / 255.0f, float(v & 0xFF) / 255.0f};
        if (A < 255) {
            const float a = float(A);
            c = {std::fmin(1.0f, float((v >> 16) & 0xFF) * 255.0f / a / 255.0f),
                 std::fmin(1.0f, float((v >> 8) & 0xFF) * 255.0f / a / 255.0f),
                 std::fmin(1.0f, float(v & 0xFF) * 255.0f / a / 255.0f)};
        }
        TFilmColour out;
        RetroFilmGrade(p, c, out.r, out.g, out.b);
        out.noise = p.P4 > 0 ? GrainNoise(x, y) * p.grainAmp / 256 : 0;
        return out;
    });
}

PV_REGISTER_EFFECT(403, RetroFilmEffect);

} // namespace pv
