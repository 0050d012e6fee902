// Automatic enhancement works in place on a copy of the picture's
// premultiplied bytes, in four steps: a histogram decides the black and white
// points and the tone curve; blue sky loses its fine noise channel by channel;
// the curve and a tone-dependent saturation lift are applied; local contrast
// is added against a blurred luminance. Alpha never changes.

#include "effects/colour-and-shapes/colour/AutoEnhanceImage.h"

#include "engine/Effect.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>
#include <numbers>
#include <vector>

namespace pv {
namespace {

using Kernel = std::array<double, 6>;

// exp(-i² / 8) for i = 0..5 (sigma 2), scaled so the 11 taps sum to 1.
Kernel MakeKernel()
{
    Kernel k;
    double sum = 0;
    for (int i = 0; i <= 5; ++i) {
        k[size_t(i)] = std::exp(-double(i * i) / 8.0);
        sum += (i == 0 ? 1.0 : 2.0) * k[size_t(i)];
    }
    for (double& v : k)
        v /= sum;
    return k;
}

struct LumaTables {
    std::array<double, 256> r, g, b;
    LumaTables()
    {
        for (int i = 0; i < 256; ++i) {
            r[size_t(i)] = 0.299 * i;
            g[size_t(i)] = 0.587 * i;
            b[size_t(i)] = 0.114 * i;
        }
    }
};
const LumaTables gLuma;

inline int Luminance(uint32_t p)
{
    return std::clamp(Round(gLuma.r[(p >> 16) & 0xFF] + gLuma.g[(p >> 8) & 0xFF] + gLuma.b[p & 0xFF]), 0, 255);
}

inline uint8_t RoundByte(double v) { return ClampToByte(Round(v)); }

// The 11-tap blur of a W x H plane into `out`, rounding after each direction;
// `horiz` holds the horizontal pass. Edges repeat.
void BlurPlane(const std::vector<uint8_t>& in, std::vector<uint8_t>& horiz, std::vector<uint8_t>& out, int W, int H,
               const Kernel& k)
{
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint8_t* s = in.data() + size_t(y) * W;
            uint8_t* d = horiz.data() + size_t(y) * W;
            auto tap = [&](int x, auto left, auto right) {
                double v = k[0] * s[x];
                for (int j = 1; j <= 5; ++j)
                    v += k[size_t(j)] * double(s[left(x - j)] + s[right(x + j)]);
                return RoundByte(v);
            };
            auto clampLeft = [](int i) { return std::max(i, 0); };
            auto clampRight = [W](int i) { return std::min(i, W - 1); };
            auto inside = [](int i) { return i; };
            // Only the first and last five columns need the edge rule.
            const int lo5 = std::min(5, W), hi5 = std::max(lo5, W - 5);
            for (int x = 0; x < lo5; ++x)
                d[x] = tap(x, clampLeft, clampRight);
            for (int x = lo5; x < hi5; ++x)
                d[x] = tap(x, inside, inside);
            for (int x = hi5; x < W; ++x)
                d[x] = tap(x, clampLeft, clampRight);
        }
    });
    ParallelForRange(0, H, [&](int lo, int hi) {
        std::vector<double> acc(static_cast<size_t>(W));
        for (int y = lo; y < hi; ++y) {
            const uint8_t* c = horiz.data() + size_t(y) * W;
            for (int x = 0; x < W; ++x)
                acc[size_t(x)] = k[0] * c[x];
            for (int j = 1; j <= 5; ++j) {
                const uint8_t* up = horiz.data() + size_t(std::max(y - j, 0)) * W;
                const uint8_t* down = horiz.data() + size_t(std::min(y + j, H - 1)) * W;
                for (int x = 0; x < W; ++x)
                    acc[size_t(x)] += k[size_t(j)] * double(up[x] + down[x]);
            }
            uint8_t* d = out.data() + size_t(y) * W;
            for (int x = 0; x < W; ++x)
                d[x] = RoundByte(acc[size_t(x)]);
        }
    });
}

// How strongly a pixel counts as blue sky (0 = not at all), from its bytes.
inline double SkyWeight(uint32_t p)
{
    const int B = int(p & 0xFF), G = int((p >> 8) & 0xFF), R = int((p >> 16) & 0xFF);
    const int top = std::max(G, R);
    if (B <= 110 || B <= top + 20)
        return 0;
    return std::min(1.0, double(B - top - 20) / 20.0);
}

struct Planes {
    std::vector<uint8_t> lum, horiz, blur;
};

// Sky smoothing of one channel (byte offset 0 blue, 1 green, 2 red).
void SmoothSky(uint32_t* px, int W, int H, int ch, Planes& planes, const Kernel& k)
{
    const int shift = 8 * ch;
    // The blur serves sky pixels only: a picture without any skips it.
    std::atomic<bool> anySky{false};
    ParallelForRange(0, H, [&](int lo, int hi) {
        bool found = false;
        for (int y = lo; y < hi; ++y) {
            const uint32_t* row = px + size_t(y) * W;
            uint8_t* l = planes.lum.data() + size_t(y) * W;
            for (int x = 0; x < W; ++x) {
                l[x] = uint8_t(row[x] >> shift);
                found |= SkyWeight(row[x]) > 0;
            }
        }
        if (found)
            anySky = true;
    });
    if (!anySky)
        return;
    BlurPlane(planes.lum, planes.horiz, planes.blur, W, H, k);
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* row = px + size_t(y) * W;
            const uint8_t* l = planes.lum.data() + size_t(y) * W;
            const uint8_t* b = planes.blur.data() + size_t(y) * W;
            for (int x = 0; x < W; ++x) {
                const double f = SkyWeight(row[x]);
                if (f <= 0)
                    continue;
                const int d = int(l[x]) - int(b[x]);
                const double g = std::max(0.0, std::min(1.0, double(25 - std::abs(d)) / 10.0));
                const double fg = f * g;
                if (fg <= 0)
                    continue;
                const uint32_t v = std::min<uint32_t>(RoundByte(l[x] * (1.0 - fg) + fg * b[x]), row[x] >> 24);
                row[x] = (row[x] & ~(0xFFu << shift)) | v << shift;
            }
        }
    });
}

// Replaces the colour bytes of a pixel, keeping them at or below its alpha so
// a translucent pixel stays a valid premultiplied one.
inline uint32_t WithChannels(uint32_t p, int r, int g, int b)
{
    const int a = int(p >> 24);
    return (p & 0xFF000000u) | uint32_t(std::min(r, a)) << 16 | uint32_t(std::min(g, a)) << 8 |
           uint32_t(std::min(b, a));
}

} // namespace

void AutoEnhanceLevels(const TLuminanceHistogram& histogram, int64_t pixels, int& black, int& white)
{
    int64_t clip = Round64(0.002 * double(pixels));
    if (clip == 0)
        clip = 1;
    black = 0;
    int64_t sum = 0;
    for (int v = 0; v < 256; ++v)
        if ((sum += histogram[size_t(v)]) >= clip) {
            black = v;
            break;
        }
    white = 255;
    sum = 0;
    for (int v = 255; v >= 0; --v)
        if ((sum += histogram[size_t(v)]) >= clip) {
            white = v;
            break;
        }
    if (black >= white)
        black = 0, white = 255;
}

std::array<uint8_t, 256> AutoEnhanceToneCurve(int black, int white)
{
    std::array<uint8_t, 256> lut{};
    const double pi = std::numbers::pi;
    for (int v = 0; v < 256; ++v) {
        double t = std::clamp(double(v - black) / double(white - black), 0.0, 1.0);
        double s = std::sin(pi * t) * 0.28 * (2 * t - 1);
        if (t < 0.5 && s < 0)
            s = s * t * 1.5;
        if (t < 0.45)
            s += 0.02 * std::sin(pi * t / 0.45);
        if (t > 0.6 && s > 0)
            s = s * (1 - (t - 0.6) / 0.4);
        t = std::clamp(t + s, 0.0, 1.0);
        lut[size_t(v)] = RoundByte(255 * t);
    }
    return lut;
}

std::array<uint8_t, 256> AutoEnhanceCurve(const TLuminanceHistogram& histogram, int64_t pixels, int black, int white)
{
    std::array<uint8_t, 256> lut = AutoEnhanceToneCurve(black, white);
    if (pixels <= 0)
        return lut;
    int64_t sum = 0, mappedSum = 0;
    for (int v = 0; v < 256; ++v) {
        sum += histogram[size_t(v)] * v;
        mappedSum += histogram[size_t(v)] * lut[size_t(v)];
    }
    const double mean = double(sum) / double(pixels), mapped = double(mappedSum) / double(pixels);
    const double k = std::clamp((mean - 135) / 50, 0.0, 1.0);
    if (k > 0 && mapped > mean && mapped > 0.5) {
        const double factor = (mapped + k * (mean - mapped)) / mapped;
        for (uint8_t& v : lut)
            v = RoundByte(v * factor);
    }
    return lut;
}

ISkImage AutoEnhanceImage(const ISkImage& Image)
{
    if (!Image)
        return Image;
    const int W = Image->width(), H = Image->height();
    const int64_t N = int64_t(W) * int64_t(H);
    if (N == 0)
        return Image;
    QImage out(W, H, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    uint32_t* px = reinterpret_cast<uint32_t*>(out.bits());
    if (!Image->readPixels(px, size_t(W) * 4))
        return Image;
    const Kernel k = MakeKernel();

    // Histogram: per-chunk counts added together, so the totals are exact.
    TLuminanceHistogram histogram{};
    std::mutex histogramLock;
    ParallelForRange(0, H, [&](int lo, int hi) {
        TLuminanceHistogram part{};
        for (size_t i = size_t(lo) * W; i < size_t(hi) * W; ++i)
            ++part[size_t(Luminance(px[i]))];
        std::lock_guard lock(histogramLock);
        for (int v = 0; v < 256; ++v)
            histogram[size_t(v)] += part[size_t(v)];
    });
    int black, white;
    AutoEnhanceLevels(histogram, N, black, white);
    const std::array<uint8_t, 256> curve = AutoEnhanceCurve(histogram, N, black, white);

    Planes planes{std::vector<uint8_t>(size_t(N)), std::vector<uint8_t>(size_t(N)), std::vector<uint8_t>(size_t(N))};
    for (int ch = 0; ch < 3; ++ch)
        SmoothSky(px, W, H, ch, planes, k);

    // Tone and saturation: everything but the channels depends on Y alone.
    struct ToneStep {
        double L, f, q;
    };
    std::array<ToneStep, 256> tone{};
    for (int Y = 1; Y < 256; ++Y) {
        const double L = curve[size_t(Y)];
        double f = (255 - L) * 0.08 / 255 + 1 + 0.15 * std::sin(std::numbers::pi * L / 255);
        if (L > 120)
            f = (f - 1) * std::max(0.0, (160 - L) / 40) + 1;
        tone[size_t(Y)] = {L, f, L / Y};
    }
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * W; i < size_t(hi) * W; ++i) {
            const uint32_t p = px[i];
            const int Y = Luminance(p);
            if (Y < 1) {
                px[i] = p & 0xFF000000u;
                continue;
            }
            const ToneStep& t = tone[size_t(Y)];
            auto map = [&](int c) { return int(RoundByte(t.L + (c * t.q - t.L) * t.f)); };
            px[i] = WithChannels(p, map(int((p >> 16) & 0xFF)), map(int((p >> 8) & 0xFF)), map(int(p & 0xFF)));
        }
    });

    // Local contrast against the blurred luminance, fading out in the highlights.
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * W; i < size_t(hi) * W; ++i)
            planes.lum[i] = uint8_t(Luminance(px[i]));
    });
    BlurPlane(planes.lum, planes.horiz, planes.blur, W, H, k);
    std::vector<double> ratio(256 * 256, 1.0);
    for (int Y = 1; Y < 256; ++Y) {
        const double b = std::max(0.0, 1 - std::max(Y - 180, 0) / 75.0);
        for (int B = 0; B < 256; ++B) {
            const double c = std::max(1.0, Y + (Y - B) * 0.6 * b);
            ratio[size_t(Y * 256 + B)] = std::min(std::min(c, 255.0) / Y, 4.0);
        }
    }
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * W; i < size_t(hi) * W; ++i) {
            const int Y = planes.lum[i];
            if (Y == 0)
                continue;
            const double r = ratio[size_t(Y * 256 + planes.blur[i])];
            const uint32_t p = px[i];
            px[i] = WithChannels(p, RoundByte(((p >> 16) & 0xFF) * r), RoundByte(((p >> 8) & 0xFF) * r),
                                 RoundByte((p & 0xFF) * r));
        }
    });

    return SkImage::MakeFromRaster(std::move(out));
}

} // namespace pv
