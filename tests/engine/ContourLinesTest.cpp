#include "FakeHost.h"

#include "engine/ContourLines.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <limits>
#include <queue>

namespace pv {
namespace {

// A w x h picture whose pixel (x, y) is f(x, y) (premultiplied).
ISkImage Picture(int w, int h, const std::function<uint32_t(int, int)>& f)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(f(x, y));
    return test::ImageFromPixels(w, h, pixels);
}

// White with a black square [lo, hi] x [lo, hi].
ISkImage Square(int size, int lo, int hi)
{
    return Picture(size, size, [&](int x, int y) {
        return x >= lo && x <= hi && y >= lo && y <= hi ? 0xFF000000u : 0xFFFFFFFFu;
    });
}

ContourSettings DefaultSettings(int w, int h, int strength)
{
    return ContourMaskValuesFor(w, h, strength, 20).Settings;
}

int CountLines(const ContourEdges& e)
{
    int n = 0;
    for (int y = 0; y < e.Height; ++y)
        for (int x = 0; x < e.Width; ++x)
            n += e.isLine(x, y);
    return n;
}

TEST(ContourLines, SquareGivesOneClosedChainAlongItsEdge)
{
    const int size = 24, lo = 8, hi = 15;
    const ContourEdges e = ExtractContourEdges(Square(size, lo, hi), DefaultSettings(size, size, 50));
    ASSERT_FALSE(e.empty());
    ASSERT_GT(CountLines(e), 0);
    // Every line pixel hugs the square's border.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (e.isLine(x, y)) {
                const int outside = std::max({lo - 1 - x, x - hi - 1, lo - 1 - y, y - hi - 1, 0});
                const int inside = std::min({x - lo, hi - x, y - lo, hi - y});
                EXPECT_TRUE(outside <= 1 && inside <= 1) << x << "," << y;
            }
    // Closed: from the square's centre, no path through non-line pixels
    // (4-connected, so the 8-connected line must block it) reaches the border.
    std::vector<bool> seen(size_t(size * size));
    std::queue<std::pair<int, int>> todo;
    todo.push({size / 2, size / 2});
    seen[size_t(size / 2 * size + size / 2)] = true;
    while (!todo.empty()) {
        const auto [x, y] = todo.front();
        todo.pop();
        ASSERT_TRUE(x > 0 && y > 0 && x < size - 1 && y < size - 1) << "escaped at " << x << "," << y;
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nx = x + dx, ny = y + dy;
            if (!seen[size_t(ny * size + nx)] && !e.isLine(nx, ny)) {
                seen[size_t(ny * size + nx)] = true;
                todo.push({nx, ny});
            }
        }
    }
}

// The detector written plainly: 32-bit planes, a 64-bit summed-area table and
// a flood fill that keeps every chain's pixel list. Returns the line labels.
std::vector<uint8_t> ReferenceLines(const ISkImage& source, const ContourSettings& s)
{
    const int w = source->width(), h = source->height();
    const std::vector<uint32_t> blurred = test::AllPixels(BlurImage(source, s.BlurSigma, s.BlurSigma));
    std::vector<int> L(size_t(w * h)), gx(L.size()), gy(L.size()), mag(L.size()), kept(L.size());
    for (size_t i = 0; i < L.size(); ++i) {
        const uint32_t p = blurred[i], a = p >> 24;
        EXPECT_EQ(a, 255u) << "the reference reads opaque pictures only";
        L[i] = int((299 * ((p >> 16) & 0xFF) + 587 * ((p >> 8) & 0xFF) + 114 * (p & 0xFF)) / 1000);
    }
    auto at = [&](const std::vector<int>& v, int x, int y) { return v[size_t(y * w + x)]; };
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const size_t i = size_t(y * w + x);
            gx[i] = at(L, x + 1, y - 1) + 2 * at(L, x + 1, y) + at(L, x + 1, y + 1) - at(L, x - 1, y - 1) -
                    2 * at(L, x - 1, y) - at(L, x - 1, y + 1);
            gy[i] = at(L, x - 1, y + 1) + 2 * at(L, x, y + 1) + at(L, x + 1, y + 1) - at(L, x - 1, y - 1) -
                    2 * at(L, x, y - 1) - at(L, x + 1, y - 1);
            mag[i] = std::abs(gx[i]) + std::abs(gy[i]);
        }
    std::vector<int64_t> sat(size_t((w + 1) * (h + 1)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sat[size_t((y + 1) * (w + 1) + x + 1)] = at(mag, x, y) + sat[size_t(y * (w + 1) + x + 1)] +
                                                      sat[size_t((y + 1) * (w + 1) + x)] - sat[size_t(y * (w + 1) + x)];
    const ContourThresholds t = ContourThresholdsFor(s.Strength);
    std::vector<uint8_t> label(L.size());
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const int m = at(mag, x, y), ax = std::abs(at(gx, x, y)), ay = std::abs(at(gy, x, y));
            if (m < t.Low)
                continue;
            int n1, n2;
            const int r = ax ? ay * 1000 / ax : 0;
            if (ax == 0 || (ay != 0 && r > 2414))
                n1 = at(mag, x, y - 1), n2 = at(mag, x, y + 1);
            else if (ay == 0 || r < 414)
                n1 = at(mag, x - 1, y), n2 = at(mag, x + 1, y);
            else if (at(gx, x, y) * at(gy, x, y) > 0)
                n1 = at(mag, x - 1, y - 1), n2 = at(mag, x + 1, y + 1);
            else
                n1 = at(mag, x + 1, y - 1), n2 = at(mag, x - 1, y + 1);
            if (m < n1 || m < n2)
                continue;
            const int x0 = std::max(0, x - s.WindowRadius), x1 = std::min(w - 1, x + s.WindowRadius);
            const int y0 = std::max(0, y - s.WindowRadius), y1 = std::min(h - 1, y + s.WindowRadius);
            const int64_t sum = sat[size_t((y1 + 1) * (w + 1) + x1 + 1)] - sat[size_t(y0 * (w + 1) + x1 + 1)] -
                                sat[size_t((y1 + 1) * (w + 1) + x0)] + sat[size_t(y0 * (w + 1) + x0)];
            const float mean = float(sum / ((x1 - x0 + 1) * (y1 - y0 + 1)));
            if (m >= t.High && m >= Round(mean * t.RelativeHigh))
                label[size_t(y * w + x)] = 2;
            else if (m >= Round(mean * t.RelativeLow))
                label[size_t(y * w + x)] = 1;
        }
    for (size_t start = 0; start < label.size(); ++start) {
        if (label[start] != 2)
            continue;
        std::vector<size_t> stack{start}, chain;
        label[start] = 255;
        while (!stack.empty()) {
            const size_t i = stack.back();
            stack.pop_back();
            chain.push_back(i);
            const int x = int(i) % w, y = int(i) / w;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    uint8_t& l = label[size_t(ny * w + nx)];
                    if (l == 1 || l == 2) {
                        l = 255;
                        stack.push_back(size_t(ny * w + nx));
                    }
                }
        }
        for (const size_t i : chain)
            label[i] = chain.size() < size_t(s.ShortestChain) ? 0 : 3;
    }
    for (uint8_t& l : label)
        l = l == 3 ? kContourLine : kContourNone;
    return label;
}

TEST(ContourLines, MatchesTheDetectorWrittenPlainly)
{
    const ISkImage picture = Picture(61, 47, [](int x, int y) {
        const uint32_t g = uint32_t((x * 29 + y * 17 + (x * y) % 23 * 5 + ((x / 9 + y / 7) % 2) * 120) % 256);
        return 0xFF000000u | g << 16 | ((g * 7 + 40) % 256) << 8 | uint32_t((x * 3 + y * 5) % 256);
    });
    for (const int strength : {10, 50, 80, 100}) {
        for (const int shortest : {4, 12}) {
            ContourSettings s = DefaultSettings(61, 47, strength);
            s.ShortestChain = shortest;
            s.WindowRadius = shortest == 4 ? 6 : 3;
            const ContourEdges e = ExtractContourEdges(picture, s);
            const std::vector<uint8_t> labels(e.Labels.data(), e.Labels.data() + e.Labels.size());
            EXPECT_EQ(labels, ReferenceLines(picture, s)) << strength << " " << shortest;
        }
    }
}

TEST(ContourLines, ChainsShorterThanTheLimitAreRemoved)
{
    // A 2 x 2 dark speck: its edge is a short ring of about a dozen pixels.
    const ISkImage speck = Square(16, 7, 8);
    ContourSettings s = DefaultSettings(16, 16, 80);
    s.ShortestChain = 4;
    const int kept = CountLines(ExtractContourEdges(speck, s));
    EXPECT_GT(kept, 4);
    s.ShortestChain = kept + 1;
    EXPECT_EQ(CountLines(ExtractContourEdges(speck, s)), 0);
    s.ShortestChain = kept;
    EXPECT_EQ(CountLines(ExtractContourEdges(speck, s)), kept);
}

TEST(ContourLines, ThresholdsFollowTheStrength)
{
    struct Case {
        int strength, high, low;
        float relHigh;
    };
    for (const Case& c : {Case{0, 800, 240, 3.5f}, Case{50, 200, 60, 2.5f}, Case{75, 110, 33, 2.0f},
                          Case{100, 20, 6, 1.5f}, Case{400, 20, 6, -4.5f}}) {
        const ContourThresholds t = ContourThresholdsFor(c.strength);
        EXPECT_EQ(t.High, c.high) << c.strength;
        EXPECT_EQ(t.Low, c.low) << c.strength;
        EXPECT_FLOAT_EQ(t.RelativeHigh, c.relHigh) << c.strength;
        EXPECT_FLOAT_EQ(t.RelativeLow, c.relHigh / 2) << c.strength;
    }
    // Script values far out of range neither overflow nor find edges that are not there.
    EXPECT_EQ(ContourThresholdsFor(INT_MAX).High, 20);
    EXPECT_GT(ContourThresholdsFor(INT_MIN).High, 2040);
}

TEST(ContourLines, ScriptSizedStrengthsClassifyLikeTheirLimits)
{
    // From strength 175 on the local-mean factors are zero or negative, so every
    // local maximum above the floor threshold passes; far below 0 the high
    // threshold exceeds every magnitude. Products far beyond the int range
    // must give the same labels as their limits.
    const int size = 24;
    const ISkImage square = Square(size, 8, 15);
    auto labels = [&](int strength) {
        const ContourEdges e = ExtractContourEdges(square, DefaultSettings(size, size, strength));
        return std::vector<uint8_t>(e.Labels.data(), e.Labels.data() + e.Labels.size());
    };
    const std::vector<uint8_t> strongest = labels(200);
    ASSERT_GT(std::count(strongest.begin(), strongest.end(), kContourLine), 0);
    for (const int strength : {100000000, INT_MAX})
        EXPECT_EQ(labels(strength), strongest) << strength;
    for (const int strength : {-100000000, INT_MIN}) {
        const std::vector<uint8_t> none = labels(strength);
        EXPECT_EQ(std::count(none.begin(), none.end(), kContourLine), 0) << strength;
    }
}

TEST(ContourLines, ScaledIntensitiesBeyondTheIntRangeClampToTheDotLimits)
{
    ContourEdges e;
    e.Width = e.Height = 3;
    e.Thresholds = ContourThresholdsFor(50);
    e.Gx = LargeBuffer<int16_t>(9);
    e.Gy = LargeBuffer<int16_t>(9);
    e.Labels = LargeBuffer<uint8_t>(9);
    e.Gx[e.index(1, 1)] = 100;
    e.Labels[e.index(1, 1)] = kContourLine;
    struct Case {
        int64_t term;
        float scale;
        uint8_t centre;
    };
    for (const Case& c : {Case{-(int64_t(1) << 40), 1.0f, 0}, Case{INT64_MIN / 2, 1e30f, 0},
                          Case{int64_t(1) << 40, 1.0f, 255}, Case{1, 1e30f, 255},
                          Case{0, std::numeric_limits<float>::quiet_NaN(), 0}}) {
        ContourLineStyle style;
        style.Term = c.term;
        style.Scaled = true;
        style.ScaleA = c.scale;
        std::vector<uint8_t> mask(9);
        DrawContourLines(e, style, mask.data());
        EXPECT_EQ(mask[e.index(1, 1)], c.centre) << c.term << " x " << c.scale;
    }
}

TEST(ContourLines, StrongerContoursFindMoreEdges)
{
    // A soft ramp edge: only a low threshold picks it up.
    const ISkImage ramp = Picture(40, 40, [](int x, int) {
        const uint32_t g = uint32_t(std::clamp(100 + (x - 20) * 8, 100, 140));
        return 0xFF000000u | g * 0x010101u;
    });
    EXPECT_EQ(CountLines(ExtractContourEdges(ramp, DefaultSettings(40, 40, 0))), 0);
    EXPECT_GT(CountLines(ExtractContourEdges(ramp, DefaultSettings(40, 40, 100))), 0);
}

TEST(ContourLines, DerivedValuesOfTheMask)
{
    struct Case {
        int w, h, weight;
        int shortest, radius, base, greatest;
    };
    for (const Case& c : {Case{3600, 2400, 20, 8, 14, 1, 2}, Case{1499, 1499, 16, 4, 12, 0, 1},
                          Case{839, 2000, 100, 4, 6, 3, 4}, Case{100, 100, 50, 4, 6, 2, 3}}) {
        const ContourMaskValues v = ContourMaskValuesFor(c.w, c.h, 50, c.weight);
        EXPECT_EQ(v.Settings.ShortestChain, c.shortest) << c.w;
        EXPECT_EQ(v.Settings.WindowRadius, c.radius) << c.w;
        EXPECT_EQ(v.Style.BaseThickness, c.base) << c.weight;
        EXPECT_EQ(v.Style.GreatestThickness, c.greatest) << c.weight;
    }
    // Line weights from scripts cannot ask for dots of any size.
    EXPECT_EQ(ContourMaskValuesFor(100, 100, 50, INT_MAX).Style.GreatestThickness, kMaxContourThickness);
    EXPECT_EQ(ContourDotThickness(1, 2, 1.0f), 2);   // 1 + Round(0.975)
    EXPECT_EQ(ContourDotThickness(3, 4, 1.0f), 4);   // capped
    EXPECT_EQ(ContourDotThickness(2, 3, 0.35f), 2);  // bends too little
    EXPECT_EQ(ContourDotThickness(2, 3, 1.5f), 2);   // a corner, not a bend
    EXPECT_EQ(ContourDotThickness(0, 1, 1.0f), 0);
}

TEST(ContourLines, OnePixelDotWithHaloShiftedTowardTheDarkSide)
{
    ContourEdges e;
    e.Width = e.Height = 5;
    e.Thresholds = ContourThresholdsFor(50);
    e.Gx = LargeBuffer<int16_t>(25);
    e.Gy = LargeBuffer<int16_t>(25);
    e.Labels = LargeBuffer<uint8_t>(25);
    e.Gx[e.index(2, 2)] = 100; // brighter to the right
    e.Labels[e.index(2, 2)] = kContourLine;
    const ContourMaskValues v = ContourMaskValuesFor(5, 5, 50, 0);
    std::vector<uint8_t> mask(25);
    DrawContourLines(e, v.Style, mask.data());
    // (10 + 100 * 175 div 200 + 20) * 0.65 * 0.6 = 45.63 -> 46, centred one pixel left.
    const std::vector<uint8_t> expected{
        0, 0,  0,  0,  0, //
        6, 18, 6,  0,  0, //
        18, 46, 18, 0, 0, //
        6, 18, 6,  0,  0, //
        0, 0,  0,  0,  0,
    };
    EXPECT_EQ(mask, expected);
}

TEST(ContourLines, ThickestComicDotIsDrawnInFull)
{
    // Comic print's thickest contour (18 pixels) reaches its full intensity
    // 18 pixels from the line and nothing at 19.
    const int n = 41, c = 20;
    ContourEdges e;
    e.Width = e.Height = n;
    e.Thresholds = ContourThresholdsFor(50);
    e.Gx = LargeBuffer<int16_t>(size_t(n * n));
    e.Gy = LargeBuffer<int16_t>(size_t(n * n));
    e.Labels = LargeBuffer<uint8_t>(size_t(n * n));
    e.Gx[e.index(c, c)] = 100;
    e.Labels[e.index(c, c)] = kContourLine;
    ContourLineStyle style;
    style.Term = 100;
    style.Slope = 0;
    style.Offset = 0;
    style.BaseThickness = 18;
    style.GreatestThickness = 18;
    style.DiscReach = 1.0f;
    std::vector<uint8_t> mask(size_t(n * n));
    DrawContourLines(e, style, mask.data());
    EXPECT_EQ(mask[e.index(c + 18, c)], 100);
    EXPECT_EQ(mask[e.index(c, c - 18)], 100);
    EXPECT_EQ(mask[e.index(c + 19, c)], 0);
}

TEST(ContourLines, MaskEdgeCases)
{
    std::vector<uint8_t> mask{1, 2, 3};
    BuildContourLineMask(test::SolidImage(2, 5, 0xFF000000u), 2, 5, 50, 20, mask);
    EXPECT_EQ(mask, std::vector<uint8_t>(10, 0));
    BuildContourLineMask(test::SolidImage(30, 20, 0xFF808080u), 30, 20, 100, 100, mask);
    EXPECT_EQ(mask, std::vector<uint8_t>(600, 0));
    // A size that is not the picture's own gives a mask of that size without lines.
    BuildContourLineMask(Square(16, 4, 11), 17, 16, 50, 20, mask);
    EXPECT_EQ(mask, std::vector<uint8_t>(17 * 16, 0));

    // Transparent reads as black: a transparent half beside a white half gives
    // lines where the blurred coverage begins (the blur reaches 3 pixels).
    const ISkImage half = Picture(30, 20, [](int x, int) { return x < 15 ? 0u : 0xFFFFFFFFu; });
    BuildContourLineMask(half, 30, 20, 50, 20, mask);
    int inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            if (mask[size_t(y * 30 + x)] > 0) {
                ++inked;
                EXPECT_TRUE(x >= 8 && x <= 15) << x;
            }
    EXPECT_GT(inked, 20);
}

TEST(ContourLines, ResultDoesNotDependOnTheThreadCount)
{
    const ISkImage picture = Picture(70, 300, [](int x, int y) {
        const uint32_t g = uint32_t((x * 37 + y * y * 11 + (x / 7) * 90) % 256);
        return 0xFF000000u | g << 16 | (255 - g) << 8 | uint32_t((x * y) % 256);
    });
    const auto [one, eight] = test::OnOneAndEightWorkers([&] {
        std::vector<uint8_t> mask;
        BuildContourLineMask(picture, 70, 300, 90, 100, mask);
        return mask;
    });
    EXPECT_EQ(one, eight);
    EXPECT_GT(std::count_if(one.begin(), one.end(), [](uint8_t v) { return v > 0; }), 100);
}

TEST(ContourLines, CancelledRunEndsWithTheAbort)
{
    test::FakeHost host;
    host.Cancel = true;
    std::vector<uint8_t> mask;
    EXPECT_THROW(BuildContourLineMask(Square(16, 4, 11), 16, 16, 50, 20, mask), EAbort);
    test::DrainEvents();
}

} // namespace
} // namespace pv
