// The small brush masks of the painterly dab effects: soft round dabs whose
// rim breaks into bristle tips. The alpha is the mask.

#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

namespace resgen {

QImage BrushMask(int w, int h, unsigned seed)
{
    QImage img(w, h, QImage::Format_ARGB32);
    const float cx = 0.5f * float(w), cy = 0.5f * float(h), r = 0.46f * float(std::min(w, h));
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float dx = (float(x) + 0.5f - cx) / r, dy = (float(y) + 0.5f - cy) / r;
            const float d = std::sqrt(dx * dx + dy * dy) + 1e-6f;
            const float ux = dx / d, uy = dy / d;
            // Bristle tips: the rim reaches out unevenly around the dab.
            const float tips = ValueNoise(ux * 2.5f + 7, uy * 2.5f + 7, 1 << 12, 1 << 12, seed) - 0.5f;
            const float fineTips = ValueNoise(ux * 9 + 3, uy * 9 + 3, 1 << 12, 1 << 12, seed + 2) - 0.5f;
            const float rim = 0.88f + 0.16f * tips + 0.1f * fineTips;
            const float body = 1 - Smoothstep(rim - 0.5f, rim, d);
            // Bristle tips leave a faint uneven grain inside the dab.
            const float hairs = 0.86f + 0.14f * ValueNoise(float(x) * 0.7f, float(y) * 0.7f, 1 << 12, 1 << 12, seed + 1);
            const uint8_t a = ToByte(255 * body * hairs);
            row[x] = a ? (uint32_t(a) << 24) : 0;
        }
    }
    return img;
}

} // namespace resgen
