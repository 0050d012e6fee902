#pragma once
// Small pictures and measurements shared by the colour effect tests.

#include "FakeHost.h"

#include "engine/Effect.h"

#include <cmath>
#include <vector>

namespace pv::test {

// Opaque pixels over the colour cube (steps of 51), greys and a skin tone.
inline ISkImage ColourChart()
{
    std::vector<uint32_t> px;
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51)
                px.push_back(MakeColor(255, uint8_t(r), uint8_t(g), uint8_t(b)));
    px.push_back(0xFFE0A080u);
    px.push_back(0xFF7F7F7Fu);
    return ImageFromPixels(int(px.size()), 1, px);
}

// A w x h picture with smooth colour gradients and a sharp edge.
inline ISkImage GradientPicture(int w, int h)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t r = uint8_t(40 + 180 * x / std::max(1, w - 1));
            const uint8_t g = uint8_t(60 + 150 * y / std::max(1, h - 1));
            const uint8_t b = x < w / 2 ? 90 : 200;
            px.push_back(MakeColor(255, r, g, b));
        }
    return ImageFromPixels(w, h, px);
}

// Runs an effect by number on a fresh surface of the picture's size.
inline ISkSurface RunColourEffect(int number, const ISkImage& image, int P1, int P2, int P3, int P4, int P5,
                                  bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(image->width(), image->height());
    ProcessEffectOnSurface(image, dest, number, P1, P2, P3, P4, P5, preview);
    return dest;
}

inline std::vector<uint32_t> SurfacePixels(const ISkSurface& s) { return AllPixels(s->makeImageSnapshot()); }

// Spread of a colour: max - min of its channels.
inline int Chroma(uint32_t p)
{
    const int r = ColorR(p), g = ColorG(p), b = ColorB(p);
    return std::max({r, g, b}) - std::min({r, g, b});
}

inline double MeanLuma(const std::vector<uint32_t>& px)
{
    double sum = 0;
    for (uint32_t p : px)
        sum += 0.299 * ColorR(p) + 0.587 * ColorG(p) + 0.114 * ColorB(p);
    return px.empty() ? 0 : sum / double(px.size());
}

} // namespace pv::test
