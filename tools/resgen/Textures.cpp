#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

namespace resgen {

static QImage NoiseTexture(int w, int h, uint32_t seed, Rgb tint)
{
    Field f(w, h);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x)
            f.at(x, y) = 200 + 50 * (Fbm(float(x) * 16 / w, float(y) * 16 / h, 16, 16, 4, 0.5f, seed) - 0.5f);
    });
    return TintedGrey(f, tint);
}

QImage CanvasTexture(int w, int h) { return NoiseTexture(w, h, 1, {1.0f, 0.97f, 0.9f}); }
QImage PaperTexture(int w, int h) { return NoiseTexture(w, h, 2, {1.0f, 0.99f, 0.96f}); }
QImage ImpastoTexture(int w, int h) { return NoiseTexture(w, h, 3, {1.0f, 1.0f, 1.0f}); }
QImage WatercolorPaperTexture(int w, int h, unsigned seed) { return NoiseTexture(w, h, seed, {1.0f, 0.99f, 0.95f}); }
QImage CardboardTexture(int w, int h) { return NoiseTexture(w, h, 4, {0.8f, 0.65f, 0.45f}); }
QImage FabricTexture(int w, int h) { return NoiseTexture(w, h, 5, {0.95f, 0.92f, 0.85f}); }
QImage PencilTexture(int w, int h)
{
    return MakeOpaque(w, h, [&](int x, int y) {
        const float g = float(x) * 255 / float(w - 1) + 30 * (LatticeValue(x, y, 9) - 0.5f);
        return Rgb{g, g, g};
    });
}
QImage FilmGrainTexture(int w, int h) { return NoiseTexture(w, h, 6, {0.64f, 0.64f, 0.64f}); }

} // namespace resgen
