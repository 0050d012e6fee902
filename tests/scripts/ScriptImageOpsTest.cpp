#include "scripts/FrameLayout.h"
#include "scripts/ScriptImageOps.h"
#include "scripts/TextDrawing.h"

#include "engine/FakeHost.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

#include <cstdlib>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;
using test::SolidImage;

uint32_t Pixel(const ISkImage& image, int x, int y)
{
    SkPixmap pm;
    image->peekPixels(pm);
    return pm.at(x, y);
}

// Bounding box of the pixels with any alpha.
SkIRect InkBox(const ISkImage& image)
{
    SkIRect box{image->width(), image->height(), 0, 0};
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            if (Pixel(image, x, y) >> 24)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box;
}

bool Near(uint32_t a, uint32_t b, int tolerance = 1)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

TEST(ScriptImageOps, PercentPositionsSitFlushWithTheEdges)
{
    struct Case {
        float value;
        bool percent;
        float start;
    };
    const Case cases[] = {{0, true, 0}, {100, true, 180}, {50, true, 90}, {25, true, 50},
                          {75, true, 130}, {99, true, 178}, {10, false, 10}, {-5, false, -5}};
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(PlaceByPercent(200, 20, c.value, c.percent), c.start) << c.value;
}

TEST(ScriptImageOps, BlendModesOpacityAndStretching)
{
    const ISkImage base = SolidImage(6, 4, 0xFFC86432u); // R 200, G 100, B 50
    const ISkImage over = SolidImage(6, 4, 0xFF6464C8u); // R 100, G 100, B 200
    struct Case {
        SkBlendMode mode;
        float opacity;
        uint32_t expected;
    };
    const Case cases[] = {
        {SkBlendMode::kSrcOver, 0.0f, 0xFFC86432u},    {SkBlendMode::kSrcOver, 1.0f, 0xFF6464C8u},
        {SkBlendMode::kMultiply, 1.0f, 0xFF4E2727u},   {SkBlendMode::kScreen, 1.0f, 0xFFDEA1D3u},
        {SkBlendMode::kDarken, 1.0f, 0xFF646432u},     {SkBlendMode::kLighten, 1.0f, 0xFFC864C8u},
        {SkBlendMode::kDifference, 1.0f, 0xFF640096u}, {SkBlendMode::kSrcOver, 0.5f, 0xFF96647Du},
    };
    for (const Case& c : cases) {
        const ISkImage out = BlendImages(base, over, c.opacity, c.mode);
        EXPECT_TRUE(Near(Pixel(out, 3, 2), c.expected)) << SkBlendModeName(c.mode) << " " << c.opacity << std::hex
                                                          << " got " << Pixel(out, 3, 2);
    }
    // A white overlay multiplied at full opacity leaves the base as it was.
    EXPECT_EQ(AllPixels(BlendImages(base, SolidImage(6, 4, 0xFFFFFFFFu), 1.0f, SkBlendMode::kMultiply)),
              AllPixels(base));
    // An overlay of another size is stretched over the whole base.
    const ISkImage stretched = BlendImages(base, SolidImage(2, 3, 0xFF0000FFu), 1.0f, SkBlendMode::kSrcOver);
    ASSERT_EQ(stretched->width(), 6);
    ASSERT_EQ(stretched->height(), 4);
    for (uint32_t p : AllPixels(stretched))
        EXPECT_TRUE(Near(p, 0xFF0000FFu));
    EXPECT_EQ(BlendImages(base, nullptr, 1.0f, SkBlendMode::kSrcOver), base);
}

TEST(ScriptImageOps, TextBoxIsPlacedByItsBoundingBox)
{
    const ISkImage canvas = SolidImage(240, 120, 0);
    struct Case {
        float x, y;
        bool percent;
        SkIRect expected; // edges that must match within a pixel; -1 = not checked
    };
    const Case cases[] = {
        {0, 0, true, {0, 0, -1, -1}},
        {100, 100, true, {-1, -1, 240, 120}},
        {10, 10, false, {10, 10, -1, -1}},
    };
    for (const Case& c : cases) {
        const ISkImage out = DrawTextOnImage(canvas, c.x, c.y, c.percent, c.percent, "Hxg", "Arial", 40,
                                             SkFontStyle::Normal(), kColorWhite, false);
        const SkIRect ink = InkBox(out);
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " ink " << ink.left << " " << ink.top << " "
                                        << ink.right << " " << ink.bottom);
        ASSERT_FALSE(ink.isEmpty());
        if (c.expected.left >= 0) {
            EXPECT_NEAR(ink.left, c.expected.left, 1);
        }
        if (c.expected.top >= 0) {
            EXPECT_NEAR(ink.top, c.expected.top, 1);
        }
        if (c.expected.right >= 0) {
            EXPECT_NEAR(ink.right, c.expected.right, 1);
        }
        if (c.expected.bottom >= 0) {
            EXPECT_NEAR(ink.bottom, c.expected.bottom, 1);
        }
    }
    const SkIRect centred = InkBox(DrawTextOnImage(canvas, 50, 50, true, true, "Hxg", "Arial", 40,
                                                   SkFontStyle::Normal(), kColorWhite, false));
    EXPECT_NEAR(centred.left + centred.right, 240, 2);
    EXPECT_NEAR(centred.top + centred.bottom, 120, 2);
    // Nothing to draw: the picture itself comes back.
    EXPECT_EQ(DrawTextOnImage(canvas, 0, 0, false, false, "", "Arial", 40, SkFontStyle::Normal(), kColorWhite, true),
              canvas);
}

TEST(ScriptImageOps, ShadowFollowsTheTextSize)
{
    const TTextShadow small = ScriptTextShadow(20), large = ScriptTextShadow(100);
    EXPECT_FLOAT_EQ(small.offset, 2);
    EXPECT_FLOAT_EQ(small.sigma, 2);
    EXPECT_FLOAT_EQ(large.offset, 5);
    EXPECT_FLOAT_EQ(large.sigma, 4);
    EXPECT_EQ(large.color, 0xDD000000u);

    // The shadow lies right of and below the text, dark and translucent.
    const ISkImage canvas = SolidImage(200, 100, 0);
    const ISkImage plain =
        DrawTextOnImage(canvas, 10, 10, false, false, "I", "Arial", 60, SkFontStyle::Normal(), kColorWhite, false);
    const ISkImage shadowed =
        DrawTextOnImage(canvas, 10, 10, false, false, "I", "Arial", 60, SkFontStyle::Normal(), kColorWhite, true);
    const SkIRect ink = InkBox(plain), withShadow = InkBox(shadowed);
    EXPECT_GT(withShadow.right, ink.right + 2);
    EXPECT_GT(withShadow.bottom, ink.bottom + 2);
    const uint32_t below = Pixel(shadowed, (ink.left + ink.right) / 2, ink.bottom + 1);
    EXPECT_GT(below >> 24, 0u);
    EXPECT_LT((below >> 16) & 0xFF, 0x20u);
}

TEST(ScriptImageOps, FontsFallBackAndGetSyntheticStyles)
{
    const ISkTypeface arial = ResolveTypeface("Arial", SkFontStyle::Normal());
    ASSERT_TRUE(arial);
    EXPECT_EQ(ResolveTypeface("No Such Family 7f3a", SkFontStyle::Bold())->familyName(), arial->familyName());
    // A family with a real bold face is drawn with it, not emboldened.
    EXPECT_FALSE(MakeStyledFont(ResolveTypeface("Arial", SkFontStyle::Bold()), 30, SkFontStyle::Bold()).isEmbolden());
    EXPECT_FLOAT_EQ(MakeStyledFont(arial, 30, SkFontStyle::Normal()).getSkewX(), 0.0f);

    QString regularOnly;
    for (const QString& family : QFontDatabase::families()) {
        bool bold = false, italic = false;
        for (const QString& style : QFontDatabase::styles(family)) {
            bold |= QFontDatabase::weight(family, style) >= 700;
            italic |= QFontDatabase::italic(family, style);
        }
        if (!bold && !italic) {
            regularOnly = family;
            break;
        }
    }
    if (regularOnly.isEmpty())
        GTEST_SKIP() << "every installed family has a bold or italic face";
    const SkFont styled =
        MakeStyledFont(ResolveTypeface(regularOnly, SkFontStyle::BoldItalic()), 30, SkFontStyle::BoldItalic());
    EXPECT_TRUE(styled.isEmbolden()) << regularOnly.toStdString();
    EXPECT_FLOAT_EQ(styled.getSkewX(), -0.25f);
}

TEST(ScriptImageOps, TrimmingKeepsThePixelsAboveAlpha8)
{
    std::vector<uint32_t> px(10 * 8, 0x05050505u); // alpha 5: counts as transparent
    for (int y = 3; y < 5; ++y)
        for (int x = 4; x < 7; ++x)
            px[size_t(y * 10 + x)] = 0x09090909u;
    const ISkImage trimmed = TrimTransparentBorder(ImageFromPixels(10, 8, px));
    EXPECT_EQ(trimmed->width(), 3);
    EXPECT_EQ(trimmed->height(), 2);

    const ISkImage faint = ImageFromPixels(10, 8, std::vector<uint32_t>(80, 0x08080808u));
    EXPECT_EQ(TrimTransparentBorder(faint), faint);
    const ISkImage full = SolidImage(5, 5, 0xFF000000u);
    EXPECT_EQ(TrimTransparentBorder(full), full);
}

TEST(ScriptImageOps, HalvingStopsAtTheTargetWidth)
{
    const ISkImage photo = SolidImage(100, 80, 0xFF204060u);
    const ISkImage half = DownscaleByHalving(photo, 30);
    EXPECT_EQ(half->width(), 50);
    EXPECT_EQ(half->height(), 40);
    EXPECT_TRUE(Near(Pixel(half, 10, 10), 0xFF204060u));
    EXPECT_EQ(DownscaleByHalving(photo, 60), photo);
    EXPECT_EQ(DownscaleByHalving(photo, 0), photo);
    EXPECT_EQ(DownscaleByHalving(SolidImage(8, 1, 0xFFFFFFFFu), 2)->width(), 8); // no row left to halve
    EXPECT_EQ(DownscaleByHalving(photo, 12)->width(), 12);
}

TEST(ScriptImageOps, WatermarkSizeAndPlace)
{
    struct Case {
        int wmWidth;
        float width;
        bool widthPercent;
        float expectedWidth;
    };
    const Case cases[] = {{1000, 0, false, 500}, {300, 0, false, 300}, {300, 10, true, 200}, {300, 640, false, 640}};
    for (const Case& c : cases) {
        const SkRect r = WatermarkRect(2000, 1000, c.wmWidth, c.wmWidth / 2, 100, 100, true, true, c.width,
                                       c.widthPercent);
        EXPECT_FLOAT_EQ(r.width(), c.expectedWidth);
        EXPECT_FLOAT_EQ(r.height(), c.expectedWidth / 2);
        EXPECT_FLOAT_EQ(r.right, 2000);
        EXPECT_FLOAT_EQ(r.bottom, 1000);
    }

    const ISkImage base = SolidImage(40, 20, 0xFF000000u);
    const ISkImage logo = SolidImage(10, 10, 0xFFFFFFFFu);
    const ISkImage stamped = DrawWatermarkImage(base, logo, 0, 0, true, true, 0, false, 100);
    EXPECT_EQ(Pixel(stamped, 2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(stamped, 20, 15), 0xFF000000u);
    EXPECT_EQ(AllPixels(DrawWatermarkImage(base, logo, 0, 0, true, true, 0, false, 0)), AllPixels(base));
    EXPECT_EQ(DrawWatermark(base, 0, 0, false, false, "/no/such/logo.png", 0, false, 100), base);
}

// A w x h frame with an opaque border of the given thickness around a
// transparent middle.
QImage BorderFrame(int w, int h, int border, uint32_t colour)
{
    QImage frame(w, h, QImage::Format_ARGB32_Premultiplied);
    frame.fill(0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < border || y < border || x >= w - border || y >= h - border)
                reinterpret_cast<uint32_t*>(frame.scanLine(y))[x] = colour;
    return frame;
}

TEST(ScriptImageOps, FrameLayoutOfTheWorkedExample)
{
    const TFrameLayout l = ComputeFrameLayout(SkIRect::MakeLTRB(100, 100, 1100, 1100), 1200, 1200, 1000, 800, 150);
    EXPECT_EQ(l.width, 1500);
    EXPECT_EQ(l.height, 1300);
    EXPECT_EQ(l.marginRect, SkIRect::MakeLTRB(99, 99, 1401, 1201));
    EXPECT_EQ(l.pictureOrigin, SkIPoint::Make(250, 250));
    // An absurd margin saturates instead of wrapping around.
    EXPECT_EQ(ComputeFrameLayout(SkIRect::MakeWH(10, 10), 10, 10, 10, 10, 2000000000).width,
              std::numeric_limits<int>::max());
}

TEST(ScriptImageOps, PictureGoesInsideTheFrameOpening)
{
    const QImage frame = BorderFrame(60, 60, 10, 0xFF00FF00u);
    EXPECT_EQ(FrameOpening(frame), SkIRect::MakeLTRB(10, 10, 50, 50));

    const ISkImage picture = SolidImage(30, 20, 0xFF0000FFu);
    const ISkImage framed = ApplyFrameBitmap(picture, frame, 5, 0xFFFF0000u);
    ASSERT_EQ(framed->width(), 30 + 10 + 20);
    ASSERT_EQ(framed->height(), 20 + 10 + 20);
    EXPECT_EQ(Pixel(framed, 0, 0), 0xFF00FF00u);   // frame corner
    EXPECT_EQ(Pixel(framed, 30, 5), 0xFF00FF00u);  // stretched top edge
    EXPECT_EQ(Pixel(framed, 12, 12), 0xFFFF0000u); // margin
    EXPECT_EQ(Pixel(framed, 15, 15), 0xFF0000FFu); // picture's first pixel
    EXPECT_EQ(Pixel(framed, 44, 34), 0xFF0000FFu); // and its last
    EXPECT_EQ(Pixel(framed, 46, 36), 0xFFFF0000u);

    // Without opaque pixels on the middle row and column the whole bitmap is
    // the opening: the picture plus its margin, the frame stretched over it.
    const QImage faint = BorderFrame(60, 60, 10, 0x80008000u);
    EXPECT_EQ(FrameOpening(faint), SkIRect::MakeWH(60, 60));
    const ISkImage margined = ApplyFrameBitmap(picture, faint, 5, 0xFFFF0000u);
    EXPECT_EQ(margined->width(), 40);
    EXPECT_EQ(margined->height(), 30);
    EXPECT_EQ(Pixel(margined, 20, 15), 0xFF0000FFu);

    // An opaque centre inverts the opening; the frame is then stretched over
    // everything and covers the picture.
    const QImage solid = BorderFrame(20, 20, 10, 0xFF00FF00u);
    EXPECT_TRUE(FrameOpening(solid).isEmpty());
    const ISkImage covered = ApplyFrameBitmap(picture, solid, 0, 0xFFFF0000u);
    EXPECT_EQ(Pixel(covered, covered->width() / 2, covered->height() / 2), 0xFF00FF00u);

    EXPECT_EQ(ApplyFrameBitmap(picture, QImage(), 5, 0xFFFF0000u), picture);
}

} // namespace
} // namespace pv
