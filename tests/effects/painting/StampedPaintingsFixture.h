#pragma once
// Pictures and helpers shared by the tests of the stamped-brush paintings.

#include "engine/FakeHost.h"

#include "engine/Effect.h"
#include "engine/Repository.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pv::test {

// A small photograph-like picture: a soft gradient, a bright disc and a dark bar.
inline ISkImage StampTestPhoto(int w, int h, uint8_t alpha = 255)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int r = 60 + 120 * x / std::max(1, w - 1), g = 80 + 100 * y / std::max(1, h - 1), b = 140;
            if ((x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < (h / 4) * (h / 4))
                r = 240, g = 220, b = 60;
            if (x > 2 * w / 3 && x < 2 * w / 3 + w / 10)
                r = 30, g = 20, b = 40;
            px[size_t(y) * w + x] = (uint32_t(alpha) << 24) | (uint32_t(r * alpha / 255) << 16) |
                                    (uint32_t(g * alpha / 255) << 8) | uint32_t(b * alpha / 255);
        }
    return ImageFromPixels(w, h, px);
}

inline std::vector<uint32_t> SurfacePixels(const ISkSurface& s) { return AllPixels(s->makeImageSnapshot()); }

inline int CountDifferent(const std::vector<uint32_t>& pixels, uint32_t value)
{
    return int(std::count_if(pixels.begin(), pixels.end(), [&](uint32_t p) { return p != value; }));
}

// Restores the working brush sheet after a test that changes it.
struct WorkingSheetGuard {
    ISkImage saved = Form3().Brushes.image();
    ~WorkingSheetGuard() { Form3().Brushes.setImage(saved); }
};

} // namespace pv::test
