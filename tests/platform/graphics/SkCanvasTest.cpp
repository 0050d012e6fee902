#include "GraphicsTestUtil.h"

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

using test::Alpha;
using test::ChannelDiff;
using test::MakeConstant;
using test::MakeImage;
using test::PixelAt;

ISkSurface White(int w, int h)
{
    const ISkSurface s = SkSurface::MakeRaster(w, h);
    s->getCanvas()->clear(kColorWhite);
    return s;
}

SkPaint Stroke(float width, SkStrokeJoin join)
{
    SkPaint p(kColorBlack);
    p.style = SkPaintStyle::kStroke;
    p.strokeWidth = width;
    p.join = join;
    return p;
}

TEST(SkCanvas, StrokeJoinsDifferAtACorner)
{
    // A right angle at (20, 20); the miter fills the outer corner square, the
    // bevel cuts it, and the 2D library's default join is the miter.
    struct Case {
        SkStrokeJoin join;
        bool tipCovered;
    };
    for (const Case c : {Case{SkStrokeJoin::kMiter, true}, Case{SkStrokeJoin::kBevel, false},
                         Case{SkStrokeJoin::kRound, false}}) {
        const ISkSurface s = SkSurface::MakeRaster(40, 40);
        SkPath path;
        path.moveTo(20, 38).lineTo(20, 20).lineTo(38, 20);
        s->getCanvas()->drawPath(path, Stroke(10, c.join));
        EXPECT_EQ(Alpha(PixelAt(s, 15, 15)) == 255, c.tipCovered) << int(c.join);
        EXPECT_EQ(Alpha(PixelAt(s, 22, 22)), 255);
    }
    EXPECT_EQ(SkPaint().join, SkStrokeJoin::kMiter);
    EXPECT_EQ(SkPaint().miterLimit, 4.0f);
}

TEST(SkCanvas, MiterLimitTurnsSharpCornersIntoBevels)
{
    // A 20-degree corner needs a miter ratio of 5.76: limit 4 bevels, limit 8 keeps the spike.
    for (float limit : {4.0f, 8.0f}) {
        const ISkSurface s = SkSurface::MakeRaster(120, 60);
        SkPath path;
        const float a = 20.0f * 3.14159265f / 180.0f;
        path.moveTo(110, 30).lineTo(50, 30).lineTo(50 + 60 * std::cos(a), 30 + 60 * std::sin(a));
        SkPaint p = Stroke(6, SkStrokeJoin::kMiter);
        p.miterLimit = limit;
        s->getCanvas()->drawPath(path, p);
        // The spike reaches about 17 pixels left of the corner, just above the line.
        EXPECT_EQ(Alpha(PixelAt(s, 38, 28)) > 0, limit > 5.76f) << limit;
    }
}

TEST(SkCanvas, DashesUseAbsoluteLengths)
{
    const float intervals[2] = {8, 4};
    for (float width : {2.0f, 4.0f}) {
        const ISkSurface s = SkSurface::MakeRaster(40, 10);
        SkPaint p = Stroke(width, SkStrokeJoin::kMiter);
        p.pathEffect = SkDashPathEffect::Make(intervals, 2, 0);
        s->getCanvas()->drawLine(0, 5, 40, 5, p);
        for (int x = 0; x < 40; ++x) {
            const bool on = (x % 12) < 8;
            EXPECT_EQ(Alpha(PixelAt(s, x, 5)), on ? 255 : 0) << "width " << width << " x " << x;
        }
    }
    const float odd[3] = {1, 2, 3};
    EXPECT_EQ(SkDashPathEffect::Make(odd, 3, 0), nullptr);
}

TEST(SkCanvas, AntiAliasedClipLeavesPartialCoverage)
{
    for (bool aa : {true, false}) {
        const ISkSurface s = SkSurface::MakeRaster(10, 10);
        SkCanvas* c = s->getCanvas();
        c->clipRect(SkRect::MakeLTRB(2.5f, 0, 7.5f, 10), aa);
        c->drawPaint(SkPaint(kColorBlack));
        const int edge = Alpha(PixelAt(s, 2, 5));
        if (aa)
            EXPECT_NEAR(edge, 128, 1);
        else
            EXPECT_TRUE(edge == 0 || edge == 255);
        EXPECT_EQ(Alpha(PixelAt(s, 4, 5)), 255);
        EXPECT_EQ(Alpha(PixelAt(s, 8, 5)), 0);
    }
    // A path clip, anti-aliased: the circle's rim is partly covered, its inside fully.
    const ISkSurface s = SkSurface::MakeRaster(40, 40);
    SkCanvas* c = s->getCanvas();
    c->save();
    c->clipPath(SkPath::Circle(20, 20, 15.3f), true);
    c->clear(0xFF0000FFu);
    c->restore();
    EXPECT_EQ(PixelAt(s, 20, 20), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(s, 1, 1), 0u);
    int partial = 0;
    for (int x = 0; x < 40; ++x)
        partial += Alpha(PixelAt(s, x, 20)) > 0 && Alpha(PixelAt(s, x, 20)) < 255;
    EXPECT_EQ(partial, 2);
}

TEST(SkCanvas, SaveLayerAlphaBlendsTheLayerAsOne)
{
    const ISkSurface s = White(20, 10);
    SkCanvas* c = s->getCanvas();
    c->saveLayerAlpha(nullptr, 128);
    SkPaint red(0xFFFF0000u);
    c->drawRect(SkRect::MakeXYWH(0, 0, 12, 10), red);
    c->drawRect(SkRect::MakeXYWH(6, 0, 12, 10), red); // overlapping, yet not darker
    c->restore();
    EXPECT_LE(ChannelDiff(PixelAt(s, 3, 5), 0xFFFF7F7Fu), 1);
    EXPECT_EQ(PixelAt(s, 8, 5), PixelAt(s, 3, 5));
    EXPECT_EQ(PixelAt(s, 19, 5), 0xFFFFFFFFu);
    EXPECT_EQ(c->getSaveCount(), 1);
}

TEST(SkCanvas, SaveLayerPaintAppliesItsBlendModeOnRestore)
{
    const ISkSurface s = SkSurface::MakeRaster(4, 4);
    SkCanvas* c = s->getCanvas();
    c->clear(0xFF808080u);
    SkPaint layer;
    layer.blendMode = SkBlendMode::kMultiply;
    c->saveLayer(nullptr, &layer);
    c->clear(0xFF808080u);
    c->restore();
    EXPECT_LE(ChannelDiff(PixelAt(s, 1, 1), 0xFF404040u), 1);
}

TEST(SkCanvas, BackdropLayerStartsFromTheFilteredPictureBelow)
{
    // Black left half, white right half; a layer over the middle with a
    // blurred backdrop softens the edge there and nowhere else.
    const ISkSurface s = SkSurface::MakeRaster(40, 20);
    SkCanvas* c = s->getCanvas();
    c->clear(kColorWhite);
    c->drawRect(SkRect::MakeWH(20, 20), SkPaint(kColorBlack));
    const SkRect bounds = SkRect::MakeLTRB(10, 0, 30, 10);
    SkSaveLayerRec rec;
    rec.bounds = &bounds;
    rec.backdrop = SkImageFilters::Blur(3, 3, SkTileMode::kClamp);
    c->saveLayer(rec);
    c->restore();
    const int grey = int(PixelAt(s, 19, 5) & 0xFF);
    EXPECT_GT(grey, 60);
    EXPECT_LT(grey, 128);
    EXPECT_EQ(PixelAt(s, 19, 15), 0xFF000000u); // below the layer: untouched
    EXPECT_EQ(PixelAt(s, 5, 5), 0xFF000000u);
}

TEST(SkCanvas, NinePatchKeepsCornersAndStretchesTheMiddle)
{
    // 9 x 9: a 3-pixel red border around a green centre, drawn whole-pixel and
    // onto fractional edges (as a scaled preview draws a frame), where the
    // pieces' outer columns get no coverage at all.
    const ISkImage image = MakeImage(9, 9, [](int x, int y) {
        return x >= 3 && x < 6 && y >= 3 && y < 6 ? 0xFF00FF00u : 0xFFFF0000u;
    });
    const struct {
        SkFilterMode filter;
        SkRect dst;
    } cases[] = {
        {SkFilterMode::kNearest, SkRect::MakeWH(30, 20)},
        {SkFilterMode::kLinear, SkRect::MakeWH(30, 20)},
        {SkFilterMode::kNearest, SkRect::MakeLTRB(0.4f, 0.3f, 29.6f, 19.7f)},
        {SkFilterMode::kLinear, SkRect::MakeLTRB(0.4f, 0.3f, 29.6f, 19.7f)},
    };
    for (const auto& c : cases) {
        const ISkSurface s = SkSurface::MakeRaster(30, 20);
        s->getCanvas()->drawImageNine(image, SkIRect::MakeLTRB(3, 3, 6, 6), c.dst, c.filter);
        for (int x : {1, 27, 28})
            EXPECT_EQ(PixelAt(s, x, 10), 0xFFFF0000u) << x << " filter " << int(c.filter);
        for (int y : {1, 17, 18})
            EXPECT_EQ(PixelAt(s, 15, y), 0xFFFF0000u) << y << " filter " << int(c.filter);
        for (int x : {4, 15, 25})
            EXPECT_EQ(PixelAt(s, x, 10), 0xFF00FF00u) << x << " filter " << int(c.filter);
    }
}

TEST(SkCanvas, NinePatchShrunkBelowItsBordersDrawsOnlyTheBorders)
{
    // 300 x 300 with 100-pixel borders into about 29 x 19 (a frame's preview):
    // the borders shrink together and each piece is drawn reduced. Edges a
    // hair past whole pixels leave a column and a row with no coverage, which
    // must stay untouched.
    const ISkImage image = MakeImage(300, 300, [](int x, int y) {
        return x >= 100 && x < 200 && y >= 100 && y < 200 ? 0xFF00FF00u : 0xFFFF0000u;
    });
    SkPaint aa;
    aa.antiAlias = true;
    for (const SkFilterMode filter : {SkFilterMode::kNearest, SkFilterMode::kLinear}) {
        const ISkSurface s = SkSurface::MakeRaster(40, 30);
        s->getCanvas()->drawImageNine(image, SkIRect::MakeLTRB(100, 100, 200, 200),
                                      SkRect::MakeLTRB(0.99999f, 0.99999f, 30.00001f, 20.00001f), filter, &aa);
        for (const auto& [x, y] : {std::pair{5, 5}, {25, 5}, {5, 15}, {25, 15}})
            EXPECT_EQ(PixelAt(s, x, y), 0xFFFF0000u) << x << "," << y << " filter " << int(filter);
        for (const auto& [x, y] : {std::pair{0, 10}, {10, 0}, {30, 10}, {10, 20}, {35, 10}, {10, 25}})
            EXPECT_EQ(PixelAt(s, x, y), 0u) << x << "," << y << " filter " << int(filter);
    }
}

TEST(SkCanvas, CubicRotatedDrawOfAConstantPictureStaysConstantInside)
{
    const uint32_t value = 0xFF3366CCu;
    const ISkImage image = MakeConstant(32, 32, value);
    for (const SkSamplingOptions& sampling : {SkSamplingOptions::Mitchell(), SkSamplingOptions::CatmullRom()}) {
        const ISkSurface s = SkSurface::MakeRaster(60, 60);
        SkCanvas* c = s->getCanvas();
        c->translate(30, 30);
        c->rotate(30);
        c->scale(1.3f, 1.3f);
        SkPaint aa;
        aa.antiAlias = true;
        c->drawImage(image, -16, -16, sampling, &aa);
        for (int y = 20; y < 40; ++y)
            for (int x = 20; x < 40; ++x)
                ASSERT_EQ(PixelAt(s, x, y), value) << x << "," << y;
        EXPECT_EQ(PixelAt(s, 1, 1), 0u);
        // Edges are anti-aliased: some pixels are partly covered.
        int partial = 0;
        for (int x = 0; x < 60; ++x)
            partial += Alpha(PixelAt(s, x, 30)) > 0 && Alpha(PixelAt(s, x, 30)) < 255;
        EXPECT_GE(partial, 2);
    }
}

TEST(SkCanvas, MipmappedDrawAtAQuarterAverages)
{
    // Columns black, white, white, black repeating: plain linear sampling at
    // a quarter lands between the white columns; the mipmap averages them.
    const ISkImage image = MakeImage(16, 16, [](int x, int) { return x % 4 == 1 || x % 4 == 2 ? 0xFFFFFFFFu : 0xFF000000u; });
    const ISkSurface mip = SkSurface::MakeRaster(4, 4);
    mip->getCanvas()->drawImageRect(image, SkRect::MakeWH(4, 4), SkSamplingOptions::LinearMipmapNearest());
    const ISkSurface plain = SkSurface::MakeRaster(4, 4);
    plain->getCanvas()->drawImageRect(image, SkRect::MakeWH(4, 4), SkSamplingOptions::Linear());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_LE(ChannelDiff(PixelAt(mip, x, y), 0xFF808080u), 1);
            EXPECT_EQ(PixelAt(plain, x, y), 0xFFFFFFFFu);
        }
}

TEST(SkCanvas, LinearScalingInterpolatesARampExactly)
{
    // Red rises 4 per column, green 5 per row: bilinear sampling of a ramp is
    // the ramp at the sampled position, and the edges repeat (clamp).
    const ISkImage ramp = MakeImage(50, 40, [](int x, int y) { return 0xFF000000u | uint32_t(4 * x) << 16 | uint32_t(5 * y) << 8; });
    for (const SkRect& dst : {SkRect::MakeWH(100, 80), SkRect::MakeXYWH(0.5f, 0, 100, 80)}) {
        const ISkSurface s = SkSurface::MakeRaster(101, 80);
        s->getCanvas()->drawImageRect(ramp, dst, SkSamplingOptions::Linear());
        for (int y : {0, 7, 40, 79})
            for (int x : {1, 9, 50, 99}) {
                const float u = (float(x) + 0.5f - dst.left) / 2.0f, v = (float(y) + 0.5f) / 2.0f;
                const float red = 4 * std::clamp(u - 0.5f, 0.0f, 49.0f), green = 5 * std::clamp(v - 0.5f, 0.0f, 39.0f);
                const uint32_t p = PixelAt(s, x, y);
                EXPECT_NEAR(int((p >> 16) & 0xFF), red, 1) << x << "," << y;
                EXPECT_NEAR(int((p >> 8) & 0xFF), green, 1) << x << "," << y;
            }
        EXPECT_EQ(PixelAt(s, 100, 40), 0u); // pixel centre 100.5 lies outside both
    }
}

TEST(SkCanvas, WholePixelTranslationCopiesPixelsWhateverTheSampling)
{
    const ISkImage image = MakeImage(5, 4, [](int x, int y) { return 0xFF000000u | uint32_t(x * 40 + y * 9); });
    for (const SkSamplingOptions& sampling :
         {SkSamplingOptions(), SkSamplingOptions::Linear(), SkSamplingOptions::Mitchell()}) {
        const ISkSurface s = SkSurface::MakeRaster(8, 8);
        s->getCanvas()->translate(2, 3);
        s->getCanvas()->drawImage(image, 1, 0, sampling);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(PixelAt(s, x + 3, y + 3), PixelAt(image, x, y));
        EXPECT_EQ(PixelAt(s, 2, 3), 0u);
    }
}

TEST(SkCanvas, ShapeBlendModesMatchThePixelFormulas)
{
    // Each mode drawn as a rectangle (through QPainter where it has the mode,
    // through the layer's own blending otherwise) gives the per-pixel formula.
    const uint32_t dst = 0xFF4080C0u;
    const TAlphaColor src = 0xC0CC3380u;
    for (int m = 0; m < kSkBlendModeCount; ++m) {
        const SkBlendMode mode = SkBlendMode(m);
        const ISkSurface s = SkSurface::MakeRaster(4, 4);
        s->getCanvas()->clear(dst);
        SkPaint p(src);
        p.blendMode = mode;
        s->getCanvas()->drawRect(SkRect::MakeXYWH(1, 1, 2, 2), p);
        EXPECT_LE(ChannelDiff(PixelAt(s, 1, 1), BlendPixel(mode, PremultiplyColor(src), dst)), 2) << SkBlendModeName(mode);
        EXPECT_EQ(PixelAt(s, 0, 0), dst) << SkBlendModeName(mode);
    }
}

TEST(SkCanvas, ColorFilterAndAlphaApplyToDrawnImages)
{
    // A white-with-coverage stamp takes the stroke colour through SrcIn, scaled by the paint's alpha.
    const ISkImage stamp = MakeConstant(4, 4, 0x80808080u);
    const ISkSurface s = SkSurface::MakeRaster(4, 4);
    SkPaint p;
    p.colorFilter = SkColorFilters::Blend(0xFF0000FFu, SkBlendMode::kSrcIn);
    p.setAlphaf(0.5f);
    s->getCanvas()->drawImage(stamp, 0, 0, &p);
    EXPECT_LE(ChannelDiff(PixelAt(s, 2, 2), 0x40000040u), 1);
}

TEST(SkCanvas, LinearGradientStopsAndTileModes)
{
    const SkPoint pts[2] = {{0, 0}, {100, 0}};
    const TAlphaColor colors[2] = {0xFF000000u, 0xFFFFFFFFu};
    struct Case {
        SkTileMode mode;
        int x;
        int expected; // red channel; -1 = transparent
    };
    const Case cases[] = {{SkTileMode::kClamp, 49, 127}, {SkTileMode::kClamp, 150, 255}, {SkTileMode::kRepeat, 149, 127},
                          {SkTileMode::kMirror, 149, 128}, {SkTileMode::kDecal, 150, -1}};
    for (const Case& c : cases) {
        const ISkSurface s = SkSurface::MakeRaster(200, 2);
        SkPaint p;
        p.shader = SkGradientShader::MakeLinear(pts, colors, nullptr, 2, c.mode);
        s->getCanvas()->drawPaint(p);
        const uint32_t px = PixelAt(s, c.x, 0);
        if (c.expected < 0)
            EXPECT_EQ(px, 0u);
        else
            EXPECT_NEAR(int((px >> 16) & 0xFF), c.expected, 1) << int(c.mode);
    }
}

TEST(SkCanvas, BlendOfTwoShadersKeepsOnlyTheSecondsAlphaForDstIn)
{
    // Steam: a vertical colour ramp masked by a horizontal alpha ramp.
    const SkPoint v[2] = {{0, 0}, {0, 10}}, h[2] = {{0, 0}, {10, 0}};
    const TAlphaColor red[2] = {0xFFFF0000u, 0xFFFF0000u};
    const TAlphaColor fade[2] = {0xFFFFFFFFu, 0x00FFFFFFu};
    SkPaint p;
    p.shader = SkShaders::Blend(SkBlendMode::kDstIn, SkGradientShader::MakeLinear(v, red, nullptr, 2, SkTileMode::kClamp),
                                SkGradientShader::MakeLinear(h, fade, nullptr, 2, SkTileMode::kClamp));
    const ISkSurface s = SkSurface::MakeRaster(10, 10);
    s->getCanvas()->drawPaint(p);
    EXPECT_EQ(PixelAt(s, 0, 5) >> 24, 242u); // 1 - 0.05
    EXPECT_EQ(PixelAt(s, 0, 5) & 0x00FFFFu, 0u);
    EXPECT_LT(Alpha(PixelAt(s, 9, 5)), 20);
}

TEST(SkCanvas, BlurMaskFilterSoftensTheShapeEdge)
{
    const ISkSurface s = SkSurface::MakeRaster(40, 20);
    SkPaint p(kColorBlack);
    p.maskFilter = SkMaskFilter::MakeBlur(SkBlurStyle::kNormal, 2.0f);
    s->getCanvas()->drawRect(SkRect::MakeLTRB(10, 0, 30, 20), p);
    EXPECT_GT(Alpha(PixelAt(s, 8, 10)), 0);
    EXPECT_NEAR(Alpha(PixelAt(s, 10, 10)), 255 * 0.599, 8); // half a pixel in: the normal CDF at 0.25
    EXPECT_EQ(Alpha(PixelAt(s, 20, 10)), 255);
}

TEST(SkCanvas, TextIsMeasuredAndDrawnAtItsBaseline)
{
    const SkFont font(SkTypeface::MakeDefault(), 20);
    SkRect bounds;
    const float advance = font.measureText("Hello", &bounds);
    EXPECT_GT(advance, 30);
    EXPECT_LT(bounds.top, -10); // above the baseline
    EXPECT_GE(bounds.bottom, -1);
    EXPECT_LT(font.getMetrics().fAscent, 0);
    EXPECT_EQ(font.measureText(""), 0);
    const SkFont half(SkTypeface::MakeDefault(), 10);
    EXPECT_NEAR(half.measureText("Hello"), advance / 2, 0.01);

    const ISkSurface s = SkSurface::MakeRaster(100, 40);
    s->getCanvas()->drawSimpleText("Hello", 5, 30, font, SkPaint(kColorBlack));
    int inked = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool in = bounds.makeOffset(5, 30).makeOutset(1, 1).contains(float(x) + 0.5f, float(y) + 0.5f);
            (in ? inked : outside) += Alpha(PixelAt(s, x, y)) > 0;
        }
    EXPECT_GT(inked, 50);
    EXPECT_EQ(outside, 0);

    EXPECT_EQ(SkTypeface::MakeFromName("No Such Family Anywhere", SkFontStyle::Normal()), nullptr);
    EXPECT_NE(SkTypeface::MakeFromName("Arial", SkFontStyle::Normal()), nullptr); // the metric twin
}

TEST(SkCanvas, ClearAndDrawRespectTheClipAndSaveRestore)
{
    const ISkSurface s = White(10, 10);
    SkCanvas* c = s->getCanvas();
    c->save();
    c->translate(2, 2);
    c->clipRect(SkRect::MakeWH(3, 3));
    c->clear(0xFF00FF00u);
    c->restore();
    EXPECT_EQ(PixelAt(s, 3, 3), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(s, 5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(c->getDeviceClipBounds(), SkIRect::MakeWH(10, 10));
    EXPECT_TRUE(c->isIdentityUnclipped());
}

} // namespace
} // namespace pv
