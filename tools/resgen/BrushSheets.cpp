// Brush sheets: one mark of a real-looking brush per 256 x 256 cell, dark
// paint whose alpha is the brush. The effects cut the cells, keep a cell when
// the column through its middle carries paint, and turn each mark along its
// principal axis, so every mark is elongated and crosses the cell's middle.

#include "tools/resgen/BrushMarks.h"
#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <algorithm>
#include <stdexcept>

namespace resgen {
namespace {

constexpr int kCell = 256;

// Keeps a mark clear of its cell's border, so neighbouring cells never touch.
float CellMargin(float px, float py)
{
    const float limit = 0.5f * kCell - 3;
    return Smoothstep(0, 4, limit - std::abs(px)) * Smoothstep(0, 4, limit - std::abs(py));
}

// The test the effects apply when they cut a sheet: paint on the middle column.
bool CellIsKept(const QImage& sheet, int k)
{
    const int cx = kCell * (k % 8) + 128, cy = kCell * (k / 8);
    for (int y : {64, 96, 128, 160, 192})
        if (qAlpha(sheet.pixel(cx, cy + y)) > 10)
            return true;
    return false;
}

using CoverageFn = std::function<float(int cell, float px, float py, float sheetX, float sheetY)>;

QImage DrawSheet(int rows, int cells, const CoverageFn& coverage)
{
    QImage sheet(8 * kCell, rows * kCell, QImage::Format_ARGB32);
    sheet.fill(0);
    ForRows(sheet.height(), [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(sheet.scanLine(y));
        for (int x = 0; x < sheet.width(); ++x) {
            const int k = (y / kCell) * 8 + x / kCell;
            if (k >= cells)
                continue;
            const float px = float(x % kCell) - 127.5f, py = float(y % kCell) - 127.5f;
            const float c = Clamp01(coverage(k, px, py, float(x), float(y))) * CellMargin(px, py);
            const uint8_t a = ToByte(255 * c);
            row[x] = a ? (uint32_t(a) << 24) | 0x141414u : 0;
        }
    });
    for (int k = 0; k < cells; ++k)
        if (!CellIsKept(sheet, k))
            throw std::runtime_error("brush cell " + std::to_string(k) + " would be dropped by the cut");
    return sheet;
}

} // namespace

QImage DefaultBrushSheet()
{
    Rng rng(0xB2B5E701);
    static const Tip order[] = {Tip::Flat, Tip::Filbert, Tip::Round, Tip::Flat, Tip::Dry, Tip::Dab, Tip::Filbert, Tip::Flat};
    std::vector<Mark> marks;
    for (int k = 0; k < 40; ++k)
        marks.push_back(RandomMark(rng, order[(k * 5 + k / 8) % 8]));
    return DrawSheet(6, 40, [&](int k, float px, float py, float, float) { return StrokeCoverage(marks[size_t(k)], px, py); });
}

QImage PastelBrushSheet()
{
    Rng rng(0xB2B5E702);
    std::vector<Mark> marks;
    for (int k = 0; k < 16; ++k)
        marks.push_back(RandomMark(rng, Tip::Pastel));
    return DrawSheet(2, 16, [&](int k, float px, float py, float sx, float sy) { return PastelCoverage(marks[size_t(k)], px, py, sx, sy); });
}

QImage WatercolorBrushSheet()
{
    Rng rng(0xB2B5E703);
    std::vector<Splash> splashes;
    for (int k = 0; k < 24; ++k)
        splashes.push_back(RandomSplash(rng));
    return DrawSheet(3, 24, [&](int k, float px, float py, float, float) { return SplashCoverage(splashes[size_t(k)], px, py); });
}

} // namespace resgen
