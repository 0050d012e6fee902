#pragma once
// Pictures the painting effects' tests paint, and a seeded way to paint them.

#include "engine/FakeHost.h"
#include "engine/Repository.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Numbers.h"

#include <cmath>
#include <vector>

namespace pv::test {

// A small photograph-like picture: sky gradient, a dark hill, a bright sun.
inline ISkImage Landscape(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool hill = y > h / 2 + int(6 * std::sin(x / 7.0));
            const bool sun = (x - w / 4) * (x - w / 4) + (y - h / 4) * (y - h / 4) < (h / 6) * (h / 6);
            const int n = int(((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) % 9u) - 4;
            uint32_t c = hill ? MakeColor(255, uint8_t(60 + n), uint8_t(110 + n + x % 20), uint8_t(40 + n))
                              : MakeColor(255, uint8_t(90 + y), uint8_t(140 + y), uint8_t(230 - y / 4));
            if (sun)
                c = 0xFFFFE8A0u;
            px[size_t(y * w + x)] = c;
        }
    return SkImage::MakeRasterCopy(px.data(), w, h, size_t(w) * 4);
}

// The repository's brush atlas (38 dark marks on white, 250 x 250 cells).
inline ISkImage BrushAtlas() { return Form3().TemplateMatchingBrushes.image(); }

// A picture's pixels in place.
inline SkPixmap PixelsOf(const ISkImage& image)
{
    SkPixmap pm;
    image->peekPixels(pm);
    return pm;
}

// Every pixel a painting effect lays on a fresh transparent surface of the
// picture's size, with the random sequence started from seed.
template <typename Effect>
std::vector<uint32_t> PaintedPixels(Effect effect, const ISkImage& source, int P1, int P2, int P3, int P4, int P5,
                                    uint32_t seed, bool preview)
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    SetRandSeed(seed);
    effect(source, dest, P1, P2, P3, P4, P5, preview);
    return AllPixels(dest->makeImageSnapshot());
}

} // namespace pv::test
