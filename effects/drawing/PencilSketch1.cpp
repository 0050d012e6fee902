// Pencil Sketch 1 turns the picture into a pencil drawing on a slant: the
// picture is turned by 30 degrees, every pixel becomes either pencil grain
// looked up by its brightness in the pencil paper, or a darkened edge mark,
// each tinted between its colour and grey, and the drawing is turned back.
// The random generator is reseeded at every run, so a picture and its
// parameters always give the same drawing (while no other thread draws from
// the generator meanwhile).

#include "effects/drawing/PencilSketch1.h"

#include "engine/Repository.h"
#include "platform/system/Numbers.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace pv {
namespace {

constexpr uint32_t kSeed = 1969;
constexpr float kSlant = float(30.0 * 0.017453292519943295);

inline int ClampChannel(int64_t v) { return int(std::clamp<int64_t>(v, 0, 255)); }

struct Rgb {
    int r, g, b;
};

// A neighbour's straight colour; nearly transparent ones count as white.
inline Rgb Neighbour(uint32_t p)
{
    if ((p >> 24) < 10)
        return {255, 255, 255};
    return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
}

inline int Difference(const Rgb& a, const Rgb& b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

// Premultiplies a straight colour with rounding.
inline uint32_t Premultiply(int a, int r, int g, int b)
{
    auto m = [a](int c) { return uint32_t((c * a + 127) / 255); };
    return uint32_t(a) << 24 | m(r) << 16 | m(g) << 8 | m(b);
}

// The row loop over the turned picture (straight pixels), writing each result
// one pixel up and to the left. Stops between rows when the user cancels.
void DrawPencilRows(const uint32_t* in, size_t inStride, int RW, int RH, uint32_t* out, size_t outStride,
                    const PencilTextureTable& tex, const PencilSketchValues& v, const ISkSurface& Dest, bool Preview)
{
    const size_t W = inStride;
    const int64_t ci = v.ColourKept;
    SequentialRandom rng;
    int texRow = 1;
    bool streak = false;
    for (int y = 1; y <= RH - 2; ++y) {
        if (UserCancelRequested())
            break;
        texRow = y % (tex.Height - 2) + 1;
        if (y % 200 == 0)
            ReportEffectProgress(Dest, Preview, Round(90.0 * y / RH + 5.0));
        const uint32_t* up = in + size_t(y - 1) * W;
        const uint32_t* row = in + size_t(y) * W;
        const uint32_t* down = in + size_t(y + 1) * W;
        uint32_t* o = out + size_t(y - 1) * outStride;
        for (int x = 1; x <= RW - 2; ++x) {
            const uint32_t c = row[x];
            const int ca = int(c >> 24);
            if (ca <= 9) {
                o[x - 1] = 0;
                continue;
            }
            const Rgb centre{int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
            const Rgb left = Neighbour(row[x - 1]);
            const int lum = (3 * centre.r + 6 * centre.g + centre.b) / 10;
            if (rng.Random(100) >= 92) {
                texRow = rng.Random(tex.Height - 3) + 1;
                streak = rng.Random(100) > 50;
            }
            const int e1 = (Difference(centre, left) + Difference(centre, Neighbour(up[x - 1]))) / 4;
            const int e2 = (Difference(centre, Neighbour(up[x])) + Difference(centre, Neighbour(down[x - 1]))) / 4;
            int r, g, b;
            if (e1 < v.EdgeThreshold && e2 < v.EdgeThreshold) {
                const int column = std::min(2 * lum + rng.Random(2), tex.Width - 1);
                const int t = tex.Grey[size_t(texRow) * size_t(tex.Width) + size_t(column)];
                const int rq = left.r / 10 * 10, gq = left.g / 10 * 10, bq = left.b / 10 * 10;
                const int grey = (rq + gq + bq) / 3;
                int64_t offset = lum - t + 2 * (v.Brightness - 127);
                if (streak)
                    offset += lum / 2;
                offset += (lum * v.Contrast) / 64 - v.Contrast;
                const int64_t gg = ClampChannel(grey + offset);
                auto mix = [&](int q) { return ClampChannel((ClampChannel(q + offset) * ci + gg * (100 - ci)) / 100); };
                r = mix(rq), g = mix(gq), b = mix(bq);
            } else {
                streak = rng.Random(100) > 50;
                texRow = rng.Random(tex.Height - 3) + 1;
                const int64_t offset = 255 - v.EdgeDarkness - e1 - e2;
                const int re = ClampChannel(left.r + offset), ge = ClampChannel(left.g + offset),
                          be = ClampChannel(left.b + offset);
                const int64_t grey = (re + ge + be) / 3;
                auto mix = [&](int e) { return ClampChannel((ci * e + (100 - ci) * grey) / 100); };
                r = mix(re), g = mix(ge), b = mix(be);
            }
            o[x - 1] = Premultiply(ca, r, g, b);
        }
    }
}

} // namespace

PencilSketchValues PencilSketchValuesFor(int P1, int P2, int P3, int P4, int P5)
{
    PencilSketchValues v;
    v.EdgeThreshold = P1;
    v.EdgeDarkness = 4 * int64_t(P2);
    v.Brightness = Round64(2.55 * P3);
    v.Contrast = Round64(1.28 * P4);
    v.ColourKept = std::clamp(P5, 0, 100);
    return v;
}

PencilTextureTable PencilTextureTableFrom(const ISkImage& texture)
{
    PencilTextureTable t;
    SkPixmap pm;
    if (texture && texture->height() > 3 && texture->peekPixels(pm) && pm.valid()) {
        t.Width = pm.width;
        t.Height = pm.height;
        t.Grey.resize(size_t(t.Width) * size_t(t.Height));
        for (int y = 0; y < t.Height; ++y)
            for (int x = 0; x < t.Width; ++x) {
                const uint32_t p = pm.row(y)[x];
                t.Grey[size_t(y) * size_t(t.Width) + size_t(x)] =
                    uint8_t((((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3);
            }
        return t;
    }
    t.Width = t.Height = 100;
    t.Grey.assign(100 * 100, 128);
    return t;
}

TurnedSize PencilTurnedSize(int W, int H)
{
    const double c = std::abs(std::cos(kSlant)), s = std::abs(std::sin(kSlant));
    return {int(std::ceil(W * c + H * s)), int(std::ceil(W * s + H * c))};
}

bool PencilTurnedAreaFits(int W, int H)
{
    const TurnedSize t = PencilTurnedSize(W, H);
    return int64_t(t.Width) * t.Height <= kPencilTurnedAreaFactor * int64_t(W) * H + kPencilTurnedAreaFloor;
}

void PencilSketch(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    SetRandSeed(kSeed);
    if (!Source || !Dest)
        return;
    const int W = Source->width(), H = Source->height();
    if (W == 0 || H == 0)
        return;
    const PencilSketchValues v = PencilSketchValuesFor(P1, P2, P3, P4, P5);
    const PencilTextureTable tex = PencilTextureTableFrom(Form3().PencilTexture.image());
    if (!Preview)
        SafeUpdateProgress(5);

    const TurnedSize turned = PencilTurnedSize(W, H);
    const int RW = turned.Width, RH = turned.Height;
    if (!PencilTurnedAreaFits(W, H))
        throw std::bad_alloc(); // reported before any of that memory is touched

    // The turned picture, made straight in place, and the drawing: two
    // pictures of the turned size, no more.
    const ISkSurface turn = SkSurface::MakeRaster(RW, RH);
    if (!turn)
        throw std::bad_alloc();
    SkCanvas* turnCanvas = turn->getCanvas();
    turnCanvas->clear(kColorTransparent);
    turnCanvas->translate(float(RW) / 2.0f, float(RH) / 2.0f);
    turnCanvas->concat(SkMatrix::RotateRad(kSlant));
    turnCanvas->drawImage(Source, -float(W) / 2.0f, -float(H) / 2.0f, SkSamplingOptions::Mitchell());
    SkPixmap in;
    if (!turn->peekPixels(in) || !in.valid())
        return;
    ParallelForRange(0, RH, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* row = in.row(y);
            for (int x = 0; x < RW; ++x)
                row[x] = UnpremultiplyPixel(row[x]);
        }
    }, 16);

    QImage drawing(RW, RH, QImage::Format_ARGB32_Premultiplied);
    if (drawing.isNull())
        throw std::bad_alloc();
    drawing.fill(0u);
    DrawPencilRows(in.row(0), in.rowBytes / 4, RW, RH, reinterpret_cast<uint32_t*>(drawing.bits()),
                   size_t(drawing.bytesPerLine()) / 4, tex, v, Dest, Preview);
    const ISkImage image = SkImage::MakeFromRaster(std::move(drawing));

    SkCanvas* canvas = Dest->getCanvas();
    canvas->clear(kColorTransparent);
    canvas->save();
    canvas->translate(float(W) / 2.0f, float(H) / 2.0f);
    canvas->concat(SkMatrix::RotateRad(-kSlant));
    canvas->drawImage(image, -float(RW) / 2.0f, -float(RH) / 2.0f, SkSamplingOptions::Mitchell());
    canvas->restore();
    ReportEffectFinished(Dest, Preview);
}

PV_REGISTER_EFFECT(100, PencilSketch);

} // namespace pv
