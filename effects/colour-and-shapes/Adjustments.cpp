// Adjustments: the photo lab's basic corrections. Structure compares each
// pixel's luminance with its box-blurred surroundings and overlays the
// difference, so textures and edges gain local contrast (darker details twice
// as strongly as lighter ones); the colour matrix and the blur or sharpening
// are then applied by the graphics layer's filters in one draw.

#include "effects/colour-and-shapes/Adjustments.h"

#include "platform/graphics/SkPaint.h"
#include "platform/system/Numbers.h"

#include <algorithm>

namespace pv {
namespace {

constexpr int kStripColumns = 64;
constexpr int kBandRows = 64;

// The luminance plane of the picture blurred by a box, rows then columns.
std::vector<uint8_t> BoxBlurredLuma(const std::vector<uint8_t>& luma, int W, int H, int r, bool Preview)
{
    std::vector<uint8_t> rows(luma.size()), out(luma.size());
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            BoxMeanLine(luma.data() + size_t(y) * W, 1, rows.data() + size_t(y) * W, 1, W, r);
    });
    if (!Preview)
        SafeUpdateProgress(30);
    // Columns in strips, walking down the rows so that memory is read in order.
    ParallelForRange(0, (W + kStripColumns - 1) / kStripColumns, [&](int lo, int hi) {
        for (int strip = lo; strip < hi; ++strip) {
            const int x0 = strip * kStripColumns, n = std::min(W, x0 + kStripColumns) - x0;
            BoxMeanColumns(rows.data() + x0, out.data() + x0, size_t(W), n, H, r);
        }
    });
    if (!Preview)
        SafeUpdateProgress(40);
    return out;
}

// The picture with the structure boost, or null when its pixels cannot be read.
ISkImage StructurePass(const ISkImage& Source, const TAdjustmentsParams& p, bool Preview)
{
    SkPixmap src;
    if (!Source->peekPixels(src))
        return nullptr;
    const int W = src.width, H = src.height;
    if (!Preview)
        SafeUpdateProgress(5);
    std::vector<uint8_t> luma(size_t(W) * size_t(H));
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* row = src.row(y);
            uint8_t* l = luma.data() + size_t(y) * W;
            for (int x = 0; x < W; ++x)
                l[x] = uint8_t((77 * ((row[x] >> 16) & 0xFF) + 150 * ((row[x] >> 8) & 0xFF) + 29 * (row[x] & 0xFF)) >> 8);
        }
    });
    if (!Preview)
        SafeUpdateProgress(15);
    const std::vector<uint8_t> blurred = BoxBlurredLuma(luma, W, H, p.boxRadius, Preview);

    // The ratio depends only on the pair (L, B).
    std::vector<float> ratio(256 * 256);
    for (int L = 0; L < 256; ++L)
        for (int B = 0; B < 256; ++B)
            ratio[size_t(L * 256 + B)] = StructureRatio(L, B, p.structureGain, p.structureWeight);

    QImage out(W, H, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    const double pixelCount = double(W) * double(H);
    for (int y0 = 0; y0 < H; y0 += kBandRows) {
        if (!Preview)
            SafeUpdateProgress(40 + Round(double(y0) * W / pixelCount * 50.0));
        ParallelForRange(y0, std::min(H, y0 + kBandRows), [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                const uint32_t* in = src.row(y);
                uint32_t* o = reinterpret_cast<uint32_t*>(out.scanLine(y));
                const uint8_t* l = luma.data() + size_t(y) * W;
                const uint8_t* b = blurred.data() + size_t(y) * W;
                for (int x = 0; x < W; ++x) {
                    const float q = ratio[size_t(l[x]) * 256 + b[x]];
                    const uint32_t v = in[x];
                    const int a = int(v >> 24);
                    // Kept at or below alpha: a translucent pixel stays a valid premultiplied one.
                    auto scale = [&](int c) { return uint32_t(std::min(a, int(ClampToByte(Round(float(c) * q))))); };
                    o[x] = (v & 0xFF000000u) | scale((v >> 16) & 0xFF) << 16 | scale((v >> 8) & 0xFF) << 8 |
                           scale(v & 0xFF);
                }
            }
        });
    }
    if (!Preview)
        SafeUpdateProgress(90);
    return SkImage::MakeFromRaster(std::move(out));
}

} // namespace

TAdjustmentsParams ComputeAdjustmentsParams(int P1, int P2, int P3, int P4, int P5)
{
    TAdjustmentsParams p;
    p.adjust.brightness = float((double(P1) - 50.0) / 200.0);
    p.adjust.contrast = float(P2) / 50.0f;
    p.adjust.saturation = float(P3) / 50.0f;
    p.adjust.blurSigma = P5 < 50 ? float((50.0 - P5) / 5.0) : 0.0f;
    p.adjust.sharpen = P5 > 50 ? float((double(P5) - 50.0) / 30.0) : 0.0f;
    p.structure = P4 > 0;
    p.structureWeight = std::min(float(P4) / 100.0f, 1.0f);
    p.structureGain = float(P4) / 50.0f + 1.0f;
    p.boxRadius = P4 / 10 + 5;
    return p;
}

void BoxMeanLine(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep, int n, int r)
{
    if (n <= 0)
        return;
    auto at = [&](int64_t i) { return int64_t(in[std::clamp<int64_t>(i, 0, n - 1) * inStep]); };
    const int64_t R = std::max(r, 0), size = 2 * R + 1;
    // The first window: R copies of the first value, the line itself as far as
    // it reaches, and copies of the last value for what lies beyond it.
    int64_t sum = R * at(0);
    for (int64_t i = 0; i <= std::min<int64_t>(R, n - 1); ++i)
        sum += at(i);
    if (R > n - 1)
        sum += (R - (n - 1)) * at(n - 1);
    for (int x = 0; x < n; ++x) {
        out[x * outStep] = uint8_t(sum / size);
        sum += at(x + R + 1) - at(x - R);
    }
}

void BoxMeanColumns(const uint8_t* in, uint8_t* out, size_t rowBytes, int columns, int n, int r)
{
    if (n <= 0 || columns <= 0)
        return;
    auto row = [&](int64_t i) { return in + size_t(std::clamp<int64_t>(i, 0, n - 1)) * rowBytes; };
    const int64_t R = std::max(r, 0), size = 2 * R + 1;
    std::vector<int64_t> sum(size_t(columns), 0);
    // The first window, as in BoxMeanLine, for all columns at once.
    const int64_t inside = std::min<int64_t>(R, n - 1), beyond = std::max<int64_t>(0, R - (n - 1));
    for (int c = 0; c < columns; ++c)
        sum[size_t(c)] = R * row(0)[c] + beyond * row(n - 1)[c];
    for (int64_t i = 0; i <= inside; ++i) {
        const uint8_t* s = row(i);
        for (int c = 0; c < columns; ++c)
            sum[size_t(c)] += s[c];
    }
    for (int y = 0; y < n; ++y) {
        uint8_t* o = out + size_t(y) * rowBytes;
        const uint8_t* enter = row(y + R + 1);
        const uint8_t* leave = row(y - R);
        for (int c = 0; c < columns; ++c) {
            o[c] = uint8_t(sum[size_t(c)] / size);
            sum[size_t(c)] += int64_t(enter[c]) - int64_t(leave[c]);
        }
    }
}

float StructureRatio(int L, int B, float gain, float weight)
{
    if (L == 0)
        return 1.0f;
    const float v = float(L) / 255.0f;
    float d = float(L - B) / 255.0f;
    d = d > 0 ? d * gain * 0.5f : d * gain;
    const float o = Clamp(d + 0.5f, 0.0f, 1.0f);
    const float overlay = v < 0.5f ? 2.0f * v * o : 1.0f - 2.0f * (1.0f - v) * (1.0f - o);
    int t = Round(255.0f * overlay);
    t = L + Round(float(t - L) * weight);
    return float(t) / float(L);
}

void AdjustmentsEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                       bool Preview)
{
    if (!Source || !Dest)
        return;
    const TAdjustmentsParams p = ComputeAdjustmentsParams(P1, P2, P3, P4, P5);
    ISkImage working = Source;
    if (p.structure && Source->width() > 0 && Source->height() > 0)
        if (ISkImage boosted = StructurePass(Source, p, Preview))
            working = std::move(boosted);
    if (!Preview)
        SafeUpdateProgress(92);

    SkPaint paint;
    paint.setAntiAlias(true);
    paint.setImageFilter(MakeColourAdjustFilter(p.adjust, SkTileMode::kClamp));
    SkCanvas* canvas = Dest->getCanvas();
    canvas->clear(kColorTransparent);
    canvas->drawImage(working, 0, 0, &paint);
}

PV_REGISTER_EFFECT(401, AdjustmentsEffect);

} // namespace pv
