#pragma once
// Small pictures and pixel checks shared by the graphics layer's tests.

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace pv::test {

inline ISkImage MakeImage(int w, int h, const std::function<uint32_t(int, int)>& pixel)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[size_t(y) * size_t(w) + size_t(x)] = pixel(x, y);
    return SkImage::MakeRasterCopy(px.data(), w, h, size_t(w) * 4);
}

inline ISkImage MakeConstant(int w, int h, uint32_t p)
{
    return MakeImage(w, h, [p](int, int) { return p; });
}

inline uint32_t PixelAt(const ISkImage& image, int x, int y)
{
    SkPixmap pm;
    image->peekPixels(pm);
    return pm.at(x, y);
}

inline uint32_t PixelAt(const ISkSurface& surface, int x, int y)
{
    SkPixmap pm;
    surface->peekPixels(pm);
    return pm.at(x, y);
}

// Largest difference of any channel.
inline int ChannelDiff(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int s = 0; s < 32; s += 8)
        d = std::max(d, std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)));
    return d;
}

inline int Alpha(uint32_t p) { return int(p >> 24); }

} // namespace pv::test
