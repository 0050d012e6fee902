// The texture overlay: the texture becomes grey levels, is tiled over the
// picture at the chosen scale from a random offset and sampled bilinearly;
// each visible pixel is brightened or darkened by the texture's deviation
// from its own mean grey, so a uniform texture changes nothing.

#include "engine/ApplyCustomTexture.h"

#include "engine/Effect.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace pv {
namespace {

// Where one picture column (or row) falls on the texture: the two texels it
// blends and the weight of the second, fixed for the whole call.
struct TexelSpan {
    int first = 0, second = 0;
    double fraction = 0; // a 32-bit float value, kept in double for the blend
};

TexelSpan SpanAt(int64_t pixel, int offset, int tile, float scale, int textureSize)
{
    const float u = float(double((pixel + offset) % tile) / double(scale));
    const double whole = std::trunc(double(u));
    TexelSpan span;
    span.first = int(int64_t(whole) % textureSize);
    span.second = (span.first + 1) % textureSize;
    span.fraction = float(double(u) - whole);
    return span;
}

} // namespace

void BitmapToGrayArray(const QImage* Bitmap, T2DIntArray& Grid, int& Mean)
{
    Grid.clear();
    if (!Bitmap || Bitmap->isNull()) {
        Mean = 128;
        return;
    }
    // The colour value of a pixel is its straight colour.
    QImage straight = *Bitmap;
    if (straight.format() != QImage::Format_ARGB32 && straight.format() != QImage::Format_RGB32) {
        straight = straight.convertToFormat(QImage::Format_ARGB32);
        if (straight.isNull())
            throw std::bad_alloc();
    }
    const int w = straight.width(), h = straight.height();
    Grid.assign(size_t(h), std::vector<int>(size_t(w)));
    // 64-bit: a white texture of 8.5 megapixels already overflows 32 bits.
    std::vector<int64_t> rowSums(static_cast<size_t>(h));
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const auto* src = reinterpret_cast<const uint32_t*>(straight.constScanLine(y));
            int* grey = Grid[size_t(y)].data();
            int64_t sum = 0;
            for (int x = 0; x < w; ++x) {
                const uint32_t c = src[x];
                grey[x] = Round(0.299 * ColorR(c) + 0.587 * ColorG(c) + 0.114 * ColorB(c));
                sum += grey[x];
            }
            rowSums[size_t(y)] = sum;
        }
    });
    int64_t sum = 0;
    for (int64_t s : rowSums)
        sum += s;
    Mean = int(sum / (int64_t(w) * h));
}

int TextureTileSize(int TextureSize, float Scale)
{
    const double size = std::nearbyint(double(TextureSize) * double(Scale));
    if (!(size >= 1))
        return 1;
    return size > INT_MAX ? INT_MAX : int(size);
}

TTextureGrey MakeTextureGrey(const QImage* Texture)
{
    TTextureGrey grey;
    BitmapToGrayArray(Texture, grey.Grid, grey.Mean);
    return grey;
}

void ApplyCustomTexture(ISkImage& Image, const QImage* Texture, int StrengthPercent, float Scale)
{
    if (!Image || !Texture || Texture->isNull() || !(Scale > 0) || !std::isfinite(Scale))
        return;
    const TTextureGrey grey = MakeTextureGrey(Texture);
    if (grey.empty())
        return;
    const int d = Random(std::min(grey.height(), grey.width()));
    ApplyTextureGrey(Image, grey, float(StrengthPercent / 100.0), Scale, d);
}

void ApplyTextureGrey(ISkImage& Image, const TTextureGrey& Grey, float Strength, float Scale, int Offset)
{
    SkPixmap src;
    if (!Image || Grey.empty() || !(Scale > 0) || !std::isfinite(Scale) || !Image->peekPixels(src))
        return;
    const T2DIntArray& grid = Grey.Grid;
    const int mean = Grey.Mean;
    const int TH = Grey.height();
    const int TW = Grey.width();
    const float f = Strength;
    const int d = Offset;
    const int PX = TextureTileSize(TW, Scale);
    const int PY = TextureTileSize(TH, Scale);

    // The texture's grey at (x, y) repeats every PX columns and PY rows, so one
    // tile of it, never larger than the picture, is sampled once.
    const int mapW = std::min(PX, src.width), mapH = std::min(PY, src.height);
    std::vector<TexelSpan> columns(static_cast<size_t>(mapW));
    for (int x = 0; x < mapW; ++x)
        columns[size_t(x)] = SpanAt(x, d, PX, Scale, TW);
    std::vector<uint8_t> greys(size_t(mapW) * size_t(mapH));
    ParallelForRange(0, mapH, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const TexelSpan row = SpanAt(y, d, PY, Scale, TH);
            const int* g0 = grid[size_t(row.first)].data();
            const int* g1 = grid[size_t(row.second)].data();
            const double fv = row.fraction, omfv = 1.0 - fv;
            uint8_t* out = greys.data() + size_t(y) * size_t(mapW);
            for (int x = 0; x < mapW; ++x) {
                const TexelSpan& col = columns[size_t(x)];
                const double fu = col.fraction, omfu = 1.0 - fu;
                const float top = float(omfu * g0[col.first] + fu * g0[col.second]);
                const float bottom = float(omfu * g1[col.first] + fu * g1[col.second]);
                out[x] = uint8_t(Round(double(top) * omfv + double(bottom) * fv));
            }
        }
    });

    // The new value of a colour byte b under local grey t, as shift[t * 256 + b].
    std::vector<uint8_t> shift(256 * 256);
    for (int t = 0; t < 256; ++t) {
        const float delta = float(double(f) * double(mean - t));
        for (int b = 0; b < 256; ++b)
            shift[size_t(t) * 256 + size_t(b)] = ClampToByte(Round(double(b) + double(delta)));
    }

    QImage out(src.width, src.height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    const SkPixmap dst{out.bits(), src.width, src.height, size_t(out.bytesPerLine())};
    ParallelForRange(0, src.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint8_t* t = greys.data() + size_t(y % PY) * size_t(mapW);
            const uint32_t* s = src.row(y);
            uint32_t* o = dst.row(y);
            for (int x = 0, tx = 0; x < src.width; ++x, tx = tx + 1 == PX ? 0 : tx + 1) {
                const uint32_t p = s[x];
                const uint32_t a = p >> 24;
                if (a == 0) {
                    o[x] = p;
                    continue;
                }
                const uint8_t* lut = shift.data() + size_t(t[tx]) * 256;
                // A translucent pixel's colour may not pass its alpha; opaque ones never clamp.
                const uint32_t b = std::min<uint32_t>(lut[p & 0xFF], a);
                const uint32_t g = std::min<uint32_t>(lut[(p >> 8) & 0xFF], a);
                const uint32_t r = std::min<uint32_t>(lut[(p >> 16) & 0xFF], a);
                o[x] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        }
    });
    Image = std::make_shared<const SkImage>(std::move(out), Image->isOpaque());
}

} // namespace pv
