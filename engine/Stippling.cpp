// Stippling turns the picture into pure black and white dots: grey levels are
// dithered with the Atkinson kernel, which passes one eighth of the error to
// each of six neighbours and drops the remaining quarter, giving crisp dots
// and open highlights.

#include "engine/Stippling.h"

#include "platform/system/Numbers.h"

#include <array>
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

const GreyTables& Tables()
{
    static const GreyTables tables;
    return tables;
}

// The dither keeps every pixel it has touched as a rounded grey byte; pixels not
// reached yet still hold their colour. Only three rows are ever live, so the
// touched greys live in a ring of three rows (-1 = not touched yet).
class GreyRows {
public:
    GreyRows(const SkPixmap& src) : src_(src), rows_(size_t(3) * size_t(src.width), int16_t(-1)) {}

    int16_t* row(int y) { return rows_.data() + size_t(y % 3) * size_t(src_.width); }
    void resetRow(int y) { std::fill_n(row(y), src_.width, int16_t(-1)); }

    float grey(int x, int y)
    {
        const int16_t v = row(y)[x];
        return v >= 0 ? Tables().level[size_t(v)] : StipplingGrey(src_.row(y)[x]);
    }

    void addError(int x, int y, float share)
    {
        float l = grey(x, y) + share;
        l = l < 0.0f ? 0.0f : (l > 1.0f ? 1.0f : l);
        row(y)[x] = static_cast<int16_t>(Round(l * 255.0f));
    }

private:
    SkPixmap src_;
    std::vector<int16_t> rows_;
};

} // namespace

float StipplingThreshold(int P1) { return static_cast<float>(P1 / 255.0); }

float StipplingGrey(uint32_t p)
{
    const GreyTables& t = Tables();
    return static_cast<float>((t.r[(p >> 16) & 0xFF] + t.g[(p >> 8) & 0xFF] + t.b[p & 0xFF]) / 255.0);
}

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
    GreyRows greys(src);
    greys.resetRow(0);
    if (h > 1)
        greys.resetRow(1);

    for (int y = 0; y < h; ++y) {
        if (y % 50 == 0) {
            const int percent = Round(double(y) / std::max(h - 1, 1) * 100.0);
            if (Preview)
                SafeUpdatePreview(Dest, percent);
            else
                SafeUpdateProgress(percent);
        }
        if (y + 2 < h)
            greys.resetRow(y + 2);
        const uint32_t* srcRow = src.row(y);
        uint32_t* outRow = out.data() + size_t(y) * size_t(w);
        const bool row1 = y + 1 < h, row2 = y + 2 < h;
        for (int x = 0; x < w; ++x) {
            const float l = greys.grey(x, y);
            const bool white = l >= threshold;
            const uint32_t a = srcRow[x] >> 24;
            // Colour bytes are premultiplied: white under alpha a is a, a, a.
            outRow[x] = (a << 24) | (white ? a * 0x010101u : 0u);
            const float share = (l - (white ? 1.0f : 0.0f)) / 8.0f;
            if (x + 1 < w)
                greys.addError(x + 1, y, share);
            if (x + 2 < w)
                greys.addError(x + 2, y, share);
            if (row1) {
                if (x >= 1)
                    greys.addError(x - 1, y + 1, share);
                greys.addError(x, y + 1, share);
                if (x + 1 < w)
                    greys.addError(x + 1, y + 1, share);
            }
            if (row2)
                greys.addError(x, y + 2, share);
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
