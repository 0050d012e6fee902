// The brush atlas of the smooth and stochastic painting effects: 38 dark
// brush marks on white, 250 x 250 cells, 5 per row, the last two cells blank.
// The effects read darkness as coverage.

#include "tools/resgen/BrushMarks.h"
#include "tools/resgen/Pictures.h"

namespace resgen {

QImage TemplateMatchingAtlas()
{
    constexpr int kCell = 250, kMarks = 38;
    Rng rng(0xA71A5001);
    static const Tip order[] = {Tip::Filbert, Tip::Flat, Tip::Round, Tip::Dab, Tip::Flat, Tip::Filbert, Tip::Dry, Tip::Round};
    std::vector<Mark> marks;
    for (int k = 0; k < kMarks; ++k) {
        Mark m = RandomMark(rng, order[(k * 3 + k / 5) % 8]);
        m.length = std::min(m.length, 215.0f);
        m.width = std::min(m.width, 85.0f);
        marks.push_back(m);
    }
    // The smooth painting effect paints with cells 26 and 36 alone, shrunk to
    // a few pixels: give them full, evenly loaded strokes.
    for (int k : {26, 36}) {
        marks[size_t(k)].tip = k == 26 ? Tip::Filbert : Tip::Round;
        marks[size_t(k)].dryness = 0.12f;
        marks[size_t(k)].ragged = 0.08f;
        marks[size_t(k)].length = 200;
        marks[size_t(k)].width = k == 26 ? 70.0f : 54.0f;
    }
    QImage atlas(5 * kCell, 8 * kCell, QImage::Format_RGB32);
    ForRows(atlas.height(), [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(atlas.scanLine(y));
        for (int x = 0; x < atlas.width(); ++x) {
            const int k = (y / kCell) * 5 + x / kCell;
            float cover = 0;
            if (k < kMarks) {
                const float px = float(x % kCell) - 124.5f, py = float(y % kCell) - 124.5f;
                const float limit = 0.5f * kCell - 3;
                const float margin = Smoothstep(0, 4, limit - std::abs(px)) * Smoothstep(0, 4, limit - std::abs(py));
                cover = Clamp01(StrokeCoverage(marks[size_t(k)], px, py)) * margin;
            }
            const uint8_t g = ToByte(255 * (1 - 0.96f * cover));
            row[x] = 0xFF000000u | (uint32_t(g) << 16) | (uint32_t(g) << 8) | g;
        }
    });
    return atlas;
}

} // namespace resgen
