// Vintage / Sepia: the picture loses part of its colour, takes a brown sepia
// tone, and gets the grain of old film (a fixed per-pixel noise plus the
// repository's film texture) and dark corners.

#include "effects/colour-and-shapes/VintageSepia.h"

#include "effects/colour-and-shapes/colour/FilmLook.h"
#include "engine/Repository.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/system/Numbers.h"

#include <atomic>

namespace pv {
namespace {

struct FilmTexture {
    ISkImage image;  // keeps the pixels alive for the run
    SkPixmap pixels; // empty when the grain uses the hash alone
    int mean = 0;    // integer mean of the texels' luma
};

inline int Luma(uint32_t p) { return int((77 * ((p >> 16) & 0xFF) + 150 * ((p >> 8) & 0xFF) + 29 * (p & 0xFF)) >> 8); }

FilmTexture ReadFilmTexture(const ISkImage& texture)
{
    FilmTexture t;
    SkPixmap pm;
    if (!texture || !texture->peekPixels(pm) || pm.width <= 0 || pm.height <= 0)
        return t;
    std::atomic<int64_t> sum{0};
    ParallelForRange(0, pm.height, [&](int lo, int hi) {
        int64_t part = 0;
        for (int y = lo; y < hi; ++y) {
            const uint32_t* row = pm.row(y);
            for (int x = 0; x < pm.width; ++x)
                part += Luma(row[x]);
        }
        sum += part;
    });
    t.image = texture;
    t.pixels = pm;
    t.mean = int(sum.load() / (int64_t(pm.width) * pm.height));
    return t;
}

} // namespace

TVintageSepiaParams ComputeVintageSepiaParams(int P1, int P2, int P3, int P4, int P5)
{
    TVintageSepiaParams p;
    p.P1 = Clamp(P1, 0, 100);
    p.P2 = Clamp(P2, 0, 100);
    p.P3 = Clamp(P3, 0, 100);
    p.P4 = Clamp(P4, 0, 100);
    p.P5 = Clamp(P5, 0, 100);
    p.Kc = p.P1 * 256 / 100;
    p.Ks = p.P2 * 256 / 100;
    p.vignette = float(p.P3) / 100.0f;
    p.grainAmp = Round(0.306 * p.P4);
    p.blurSigma = p.P5 > 0 ? float(0.0375 * p.P5) : 0.0f;
    return p;
}

void VintageSepiaEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview)
{
    if (!Source || !Dest)
        return;
    const TVintageSepiaParams p = ComputeVintageSepiaParams(P1, P2, P3, P4, P5);
    const FilmTexture texture = p.P4 > 0 ? ReadFilmTexture(Form3().OldFilmTexture.image()) : FilmTexture{};

    const ISkImage base = p.P5 < 1 ? Source : BlurImage(Source, p.blurSigma, p.blurSigma, SkTileMode::kClamp);
    const bool textured = texture.pixels.valid();
    RunFilmPass(Source, Dest, base, p.vignette, Preview, [&](int x, int y, uint32_t v) {
        const int A = int(v >> 24);
        int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
        if (A < 255)
            r = std::min(255, r * 255 / A), g = std::min(255, g * 255 / A), b = std::min(255, b * 255 / A);
        const TSepiaRGB c = SepiaTone(r, g, b, p.Kc, p.Ks);
        int noise = 0;
        if (p.P4 > 0) {
            noise = GrainNoise(x, y) * p.grainAmp / 256;
            if (textured) {
                const uint32_t texel = texture.pixels.at(x % texture.pixels.width, y % texture.pixels.height);
                noise += (Luma(texel) - texture.mean) * p.P4 / 100;
            }
        }
        return TFilmColour{c.r, c.g, c.b, noise};
    });
}

PV_REGISTER_EFFECT(402, VintageSepiaEffect);

} // namespace pv
