// Stippling turns the picture into pure black and white dots: grey levels are
// dithered with the Atkinson kernel, which passes one eighth of the error to
// each of six neighbours and drops the remaining quarter, giving crisp dots
// and open highlights.

#include "effects/drawing/Stippling.h"

#include "engine/StraightColour.h"
#include "platform/system/Numbers.h"

#include <array>
#include <cmath>
#include <vector>

namespace pv {
namespace {

struct GreyTables {
    std::array<double, 256> r, g, b;
    std::array<float, 256> level; // grey level of a pixel whose B = G = R = index
    GreyTables()
    {
        for (int i = 0; i < 256; ++i) {
            r[i] = 0.299 * i;
            g[i] = 0.587 * i;
            b[i] = 0.114 * i;
        }
        for (int i = 0; i < 256; ++i)
            level[i] = static_cast<float>((r[i] + g[i] + b[i]) / 255.0);
    }
};

const GreyTables gTables;

inline float GreyOfPixel(uint32_t premultiplied)
{
    const uint32_t p = StraightPixel(premultiplied);
    return static_cast<float>((gTables.r[(p >> 16) & 0xFF] + gTables.g[(p >> 8) & 0xFF] + gTables.b[p & 0xFF]) / 255.0);
}

// The dither keeps every pixel it has touched as a rounded grey byte; pixels not
// reached yet still hold their colour. Only three rows are ever live, so the
// touched greys live in a ring of three rows (-1 = not touched yet).
struct GreyRow {
    int16_t* grey;
    const uint32_t* colour;

    float level(int x) const
    {
        const int16_t v = grey[x];
        return v >= 0 ? gTables.level[size_t(v)] : GreyOfPixel(colour[x]);
    }
    void addError(int x, float share) const
    {
        float l = level(x) + share;
        l = l < 0.0f ? 0.0f : (l > 1.0f ? 1.0f : l);
        grey[x] = static_cast<int16_t>(std::nearbyint(l * 255.0f));
    }
};

} // namespace

float StipplingThreshold(int P1) { return static_cast<float>(P1 / 255.0); }

float StipplingGrey(uint32_t p) { return GreyOfPixel(p); }

void StipplingEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int, int, int, int, bool Preview)
{
    SkPixmap src, dst;
    if (!Source || !Dest || !Source->peekPixels(src) || !Dest->peekPixels(dst))
        return;
    const int w = std::min(src.width, dst.width);
    const int h = std::min(src.height, dst.height);
    const float threshold = StipplingThreshold(P1);

    // The result is built in its own raster and drawn onto the destination only
    // at the end, so a cancelled run leaves the destination untouched.
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    std::vector<int16_t> ring(size_t(3) * size_t(w), int16_t(-1));
    auto greyRow = [&](int y) {
        return GreyRow{ring.data() + size_t(y % 3) * size_t(w), src.row(std::min(y, h - 1))};
    };

    for (int y = 0; y < h; ++y) {
        if (y % 50 == 0) {
            const int percent = Round(double(y) / std::max(h - 1, 1) * 100.0);
            if (Preview)
                SafeUpdatePreview(Dest, percent);
            else
                SafeUpdateProgress(percent);
        }
        const GreyRow row0 = greyRow(y), row1 = greyRow(y + 1), row2 = greyRow(y + 2);
        if (y + 2 < h)
            std::fill_n(row2.grey, w, int16_t(-1)); // row y - 1 is done: its slot now holds row y + 2
        const bool has1 = y + 1 < h, has2 = y + 2 < h;
        uint32_t* outRow = out.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const float l = row0.level(x);
            const bool white = l >= threshold;
            const uint32_t a = row0.colour[x] >> 24;
            // Colour bytes are premultiplied: white under alpha a is a, a, a.
            outRow[x] = (a << 24) | (white ? a * 0x010101u : 0u);
            const float share = (l - (white ? 1.0f : 0.0f)) / 8.0f;
            if (x + 1 < w)
                row0.addError(x + 1, share);
            if (x + 2 < w)
                row0.addError(x + 2, share);
            if (has1) {
                if (x >= 1)
                    row1.addError(x - 1, share);
                row1.addError(x, share);
                if (x + 1 < w)
                    row1.addError(x + 1, share);
            }
            if (has2)
                row2.addError(x, share);
        }
    }

    QImage raster(reinterpret_cast<uchar*>(out.data()), w, h, qsizetype(w) * 4, QImage::Format_ARGB32_Premultiplied);
    Dest->getCanvas()->drawImage(SkImage::MakeFromRaster(std::move(raster)), 0, 0);

    if (Preview) {
        LastProgressTick = 0;
        SafeUpdatePreview(Dest, 101);
    } else {
        SafeUpdateProgress(101);
    }
}

PV_REGISTER_EFFECT(201, StipplingEffect);

} // namespace pv
