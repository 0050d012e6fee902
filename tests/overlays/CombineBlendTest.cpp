#include "overlays/CombineBlend.h"

#include "platform/graphics/SkImage.h"

#include <gtest/gtest.h>

#include <vector>

namespace pv {
namespace {

// A picture w x 1 with the given premultiplied pixels.
ISkImage Row(const std::vector<uint32_t>& pixels)
{
    QImage img(int(pixels.size()), 1, QImage::Format_ARGB32_Premultiplied);
    for (size_t i = 0; i < pixels.size(); ++i)
        reinterpret_cast<uint32_t*>(img.scanLine(0))[i] = pixels[i];
    return SkImage::MakeFromRaster(std::move(img));
}

uint32_t At(const ISkImage& image, int x, int y = 0)
{
    return reinterpret_cast<const uint32_t*>(image->qimage().constScanLine(y))[x];
}

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;
constexpr uint32_t kGrey80 = 0xFF505050u; // luminance 80

struct ModeCase {
    const char* name;
    TCombineMode mode;
    float amount;
    uint32_t base, blend, expected;
};

class CombinePixel : public ::testing::TestWithParam<ModeCase> {};

TEST_P(CombinePixel, BlendsOnePixel)
{
    const ModeCase& c = GetParam();
    const ISkImage out = RenderCombined(Row({c.base}), Row({c.blend}), c.amount, c.mode);
    ASSERT_TRUE(out);
    EXPECT_EQ(At(out, 0), c.expected) << std::hex << At(out, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CombinePixel,
    ::testing::Values(
        // Amount 0 keeps the base in every mode.
        ModeCase{"NormalNone", TCombineMode::Normal, 0.0f, kRed, kGreen, kRed},
        ModeCase{"MultiplyNone", TCombineMode::Multiply, 0.0f, kRed, kGreen, kRed},
        ModeCase{"DarkenNone", TCombineMode::Darken, 0.0f, kRed, kGreen, kRed},
        ModeCase{"LightenNone", TCombineMode::Lighten, 0.0f, kRed, kGreen, kRed},
        // Full amount: "Normal" replaces the base with an opaque blend pixel.
        ModeCase{"NormalFull", TCombineMode::Normal, 1.0f, kRed, kGreen, kGreen},
        ModeCase{"NormalHalfOverTransparentIsHalf", TCombineMode::Normal, 0.5f, 0x00000000u, kGreen, 0x80008000u},
        ModeCase{"MultiplyFull", TCombineMode::Multiply, 1.0f, 0xFF808080u, 0xFF808080u, 0xFF404040u},
        ModeCase{"MultiplyByWhiteKeeps", TCombineMode::Multiply, 1.0f, kRed, 0xFFFFFFFFu, kRed},
        // By luminance, not per channel: green (182) is lighter than grey 80
        // although its red and blue are darker.
        ModeCase{"LightenTakesLighterPixel", TCombineMode::Lighten, 1.0f, kGrey80, kGreen, kGreen},
        ModeCase{"DarkenKeepsDarkerBase", TCombineMode::Darken, 1.0f, kGrey80, kGreen, kGrey80},
        ModeCase{"DarkenTakesDarkerBlend", TCombineMode::Darken, 1.0f, kGrey80, kBlue, kBlue},
        ModeCase{"LightenKeepsLighterBase", TCombineMode::Lighten, 1.0f, kGrey80, kBlue, kGrey80},
        // Equal luminance: both modes take the blend pixel.
        // Equal luminance (same colour, other alpha): both modes take the blend pixel.
        ModeCase{"LightenTieTakesBlend", TCombineMode::Lighten, 1.0f, 0xFF404040u, 0x80404040u, 0x80404040u},
        ModeCase{"DarkenTieTakesBlend", TCombineMode::Darken, 1.0f, 0xFF404040u, 0x80404040u, 0x80404040u},
        // Half way: the chosen pixel mixed into the base.
        ModeCase{"LightenHalf", TCombineMode::Lighten, 0.5f, 0xFF000000u, 0xFFFFFFFFu, 0xFF808080u}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CombineBlend, BlendPictureAlignsTopLeftUnscaledAndResultKeepsBaseSize)
{
    QImage base(4, 3, QImage::Format_ARGB32_Premultiplied);
    base.fill(kRed);
    QImage small(2, 2, QImage::Format_ARGB32_Premultiplied);
    small.fill(kGreen);
    QImage large(6, 5, QImage::Format_ARGB32_Premultiplied);
    large.fill(kBlue);
    const ISkImage b = SkImage::MakeFromRaster(std::move(base));
    for (TCombineMode mode : {TCombineMode::Normal, TCombineMode::Lighten}) {
        const ISkImage out = RenderCombined(b, SkImage::MakeFromRaster(QImage(small)), 1.0f, mode);
        ASSERT_EQ(out->width(), 4);
        ASSERT_EQ(out->height(), 3);
        EXPECT_EQ(At(out, 1, 1), kGreen);
        EXPECT_EQ(At(out, 2, 1), kRed);
        EXPECT_EQ(At(out, 1, 2), kRed);
    }
    const ISkImage cut = RenderCombined(b, SkImage::MakeFromRaster(std::move(large)), 1.0f, TCombineMode::Normal);
    EXPECT_EQ(cut->width(), 4);
    EXPECT_EQ(At(cut, 3, 2), kBlue);
}

TEST(CombineBlend, MissingPictureGivesNothing)
{
    EXPECT_FALSE(RenderCombined(nullptr, Row({kRed}), 0.5f, TCombineMode::Normal));
    EXPECT_FALSE(RenderCombined(Row({kRed}), nullptr, 0.5f, TCombineMode::Normal));
}

TEST(CombineBlend, WheelKeepsThePointUnderTheMouse)
{
    TPreviewView view;
    view.zoom = 1.0f;
    view.pan = QPointF(-100, 40);
    const QPointF m(300, 200);
    const QPointF before = (m - view.pan) / double(view.zoom);
    for (int delta : {120, 120, -120, -120, -120}) {
        view = WheelZoomPreview(view, m, delta);
        const QPointF after = (m - view.pan) / double(view.zoom);
        EXPECT_NEAR(after.x(), before.x(), 1e-3);
        EXPECT_NEAR(after.y(), before.y(), 1e-3);
    }
    EXPECT_FLOAT_EQ(WheelZoomPreview({1.0f, {}}, m, 120).zoom, 1.1f);
    EXPECT_FLOAT_EQ(WheelZoomPreview({1.0f, {}}, m, -120).zoom, 0.9090909f);
}

TEST(CombineBlend, WheelZoomStopsAtTenAndThousandPercent)
{
    TPreviewView in{9.5f, {}}, out{0.105f, {}};
    EXPECT_FLOAT_EQ(WheelZoomPreview(in, {}, 120).zoom, 10.0f);
    EXPECT_FLOAT_EQ(WheelZoomPreview(out, {}, -120).zoom, 0.1f);
}

TEST(CombineBlend, PreviewShowsTheBaseAloneOrWithTheBlend)
{
    QImage base(10, 10, QImage::Format_ARGB32_Premultiplied);
    base.fill(kRed);
    QImage blend(10, 10, QImage::Format_ARGB32_Premultiplied);
    blend.fill(kGreen);
    const ISkImage b = SkImage::MakeFromRaster(std::move(base)), o = SkImage::MakeFromRaster(std::move(blend));
    QImage target(40, 40, QImage::Format_ARGB32_Premultiplied);
    const TPreviewView view{2.0f, QPointF(10, 10)};
    for (TCombineMode mode : {TCombineMode::Normal, TCombineMode::Lighten}) {
        DrawCombinePreview(target, b, o, view, 1.0f, mode, false, 0xFF2A2A2Au);
        EXPECT_EQ(target.pixel(20, 20), kGreen);
        EXPECT_EQ(target.pixel(5, 5), 0xFF2A2A2Au);
        DrawCombinePreview(target, b, o, view, 1.0f, mode, true, 0xFF2A2A2Au);
        EXPECT_EQ(target.pixel(20, 20), kRed);
    }
}

} // namespace
} // namespace pv
