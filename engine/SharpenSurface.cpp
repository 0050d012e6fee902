// Sharpens a finished painting with a small cross-shaped kernel whose weights
// add up to one, so flat areas keep their colour and only edges gain contrast.

#include "engine/SharpenSurface.h"

#include "platform/graphics/Convolve3x3.h"
#include "platform/system/Numbers.h"

#include <algorithm>

namespace pv {

void SharpenKernel(int Amount, float kernel[9])
{
    const auto a = static_cast<float>(Clamp(Amount, 0, 100) / 100.0);
    const float k[9] = {0, -a, 0, -a, 1 + 4 * a, -a, 0, -a, 0};
    std::copy(k, k + 9, kernel);
}

void SharpenSurface(const ISkImage& Source, const ISkSurface& Surface, int Amount)
{
    if (!Surface)
        return;
    SkPixmap in, out;
    if (!Surface->peekPixels(out))
        return;
    // Without a picture the surface sharpens itself: the convolution works in
    // place, so no snapshot is needed.
    if (Source ? !Source->peekPixels(in) : !(in = out).valid())
        return;

    Convolve3x3Options options;
    SharpenKernel(Amount, options.kernel);
    options.convolveAlpha = false;
    const int w = std::min(in.width, out.width), h = std::min(in.height, out.height);
    SharedPool().execute([&] {
        Convolve3x3(SkPixmap{in.base, w, h, in.rowBytes}, SkPixmap{out.base, w, h, out.rowBytes}, options);
    });

    // The surface was cleared before the draw: whatever the picture does not cover is transparent.
    for (int y = 0; y < out.height; ++y) {
        uint32_t* row = out.row(y);
        std::fill(row + (y < h ? w : 0), row + out.width, 0u);
    }
}

} // namespace pv
