#include "workspace/text-and-print/PrintLayout.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

// A4 at 300 dpi in device pixels.
const QSizeF kA4Portrait(210 / kMmPerInch * 300, 297 / kMmPerInch * 300);
const QSizeF kA4Landscape(kA4Portrait.height(), kA4Portrait.width());

TPrintSettings Mode(TPrintScaleMode mode, double marginMm = 10, double imageDpi = 300)
{
    return {mode, marginMm, imageDpi};
}

TEST(PrintLayout, TenMillimetresAt300DpiInsetThePageBy118Pixels)
{
    const QRectF area = PrintableArea(kA4Portrait, 300, 300, 10);
    EXPECT_NEAR(area.left(), 118.11, 0.005);
    EXPECT_NEAR(area.top(), 118.11, 0.005);
    EXPECT_NEAR(kA4Portrait.width() - area.right(), 118.11, 0.005);
    EXPECT_NEAR(kA4Portrait.height() - area.bottom(), 118.11, 0.005);
}

TEST(PrintLayout, EachModeOnA4PortraitAndLandscape)
{
    const double inset = 10 / kMmPerInch * 300;
    struct Case {
        const char* name;
        QSizeF page;
        TPrintScaleMode mode;
        QSize picture;
        QRectF expected;
    };
    const double pw = kA4Portrait.width() - 2 * inset, ph = kA4Portrait.height() - 2 * inset;
    const double lw = kA4Landscape.width() - 2 * inset, lh = kA4Landscape.height() - 2 * inset;
    const Case cases[] = {
        // Stretch fills the printable area exactly.
        {"stretch portrait", kA4Portrait, TPrintScaleMode::StretchToFill, {4000, 3000}, {inset, inset, pw, ph}},
        {"stretch landscape", kA4Landscape, TPrintScaleMode::StretchToFill, {400, 3000}, {inset, inset, lw, lh}},
        // Best fit: a landscape picture spans the width of a portrait page, centred.
        {"fit portrait", kA4Portrait, TPrintScaleMode::BestFit, {4000, 3000},
         {kA4Portrait.width() / 2 - std::nearbyint(pw / 2), kA4Portrait.height() / 2 - std::nearbyint(pw * 0.75 / 2), pw,
          pw * 0.75}},
        // ... and the height of a landscape page.
        {"fit landscape", kA4Landscape, TPrintScaleMode::BestFit, {4000, 3000},
         {kA4Landscape.width() / 2 - std::nearbyint(lh * 4 / 3 / 2), kA4Landscape.height() / 2 - std::nearbyint(lh / 2),
          lh * 4 / 3, lh}},
        // 3000 pixels at 300 dpi print 254 mm wide, centred on the page, into the margins.
        {"original landscape", kA4Landscape, TPrintScaleMode::OriginalSize, {3000, 600},
         {(kA4Landscape.width() - 3000) / 2, (kA4Landscape.height() - 600) / 2, 3000, 600}},
        {"original portrait", kA4Portrait, TPrintScaleMode::OriginalSize, {600, 300},
         {(kA4Portrait.width() - 600) / 2, (kA4Portrait.height() - 300) / 2, 600, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF r = PrintDestination(c.page, 300, 300, c.picture, Mode(c.mode));
        EXPECT_NEAR(r.left(), c.expected.left(), 1e-6);
        EXPECT_NEAR(r.top(), c.expected.top(), 1e-6);
        EXPECT_NEAR(r.width(), c.expected.width(), 1e-6);
        EXPECT_NEAR(r.height(), c.expected.height(), 1e-6);
    }
    const QRectF wide = PrintDestination(kA4Landscape, 300, 300, {3000, 600}, Mode(TPrintScaleMode::OriginalSize));
    EXPECT_NEAR(wide.width() / 300 * kMmPerInch, 254.0, 1e-9);
}

TEST(PrintLayout, OriginalSizeUsesEachAxisResolutionAndCountsBelowOneAs96)
{
    // A printer of 600 x 300 dpi: a 300-dpi picture keeps its shape on paper.
    const QRectF r = PrintDestination({4960, 3508}, 600, 300, {300, 300}, Mode(TPrintScaleMode::OriginalSize));
    EXPECT_DOUBLE_EQ(r.width(), 600);
    EXPECT_DOUBLE_EQ(r.height(), 300);
    const QRectF low = PrintDestination(kA4Portrait, 300, 300, {96, 96}, Mode(TPrintScaleMode::OriginalSize, 10, 0.5));
    EXPECT_DOUBLE_EQ(low.width(), 300);
    EXPECT_DOUBLE_EQ(low.height(), 300);
}

TEST(PrintLayout, NothingToPlace)
{
    EXPECT_TRUE(PrintDestination(kA4Portrait, 300, 300, {}, Mode(TPrintScaleMode::BestFit)).isEmpty());
    // Margins wider than half the page leave no printable area.
    EXPECT_TRUE(PrintDestination(kA4Portrait, 300, 300, {100, 100}, Mode(TPrintScaleMode::BestFit, 200)).isEmpty());
    EXPECT_TRUE(PrintDestination(kA4Portrait, 0, 300, {100, 100}, Mode(TPrintScaleMode::StretchToFill)).isEmpty());
    EXPECT_EQ(PrintScaleModeOf(7), TPrintScaleMode::BestFit);
}

TEST(PrintLayout, PreviewShowsThePageAsItPrints)
{
    const QSizeF box(309, 323);
    for (const bool landscape : {false, true}) {
        SCOPED_TRACE(landscape ? "landscape" : "portrait");
        const QSizeF paper = A4PaperMm(landscape);
        for (const TPrintScaleMode mode :
             {TPrintScaleMode::BestFit, TPrintScaleMode::StretchToFill, TPrintScaleMode::OriginalSize}) {
            const TPrintPreview p = PreviewLayout(box, paper, {4000, 3000}, Mode(mode));
            ASSERT_GT(p.scale, 0);
            EXPECT_DOUBLE_EQ(p.scale, std::min(269 / paper.width(), 283 / paper.height()));
            EXPECT_NEAR(p.page.center().x(), box.width() / 2, 1e-9);
            EXPECT_NEAR(p.page.center().y(), box.height() / 2, 1e-9);
            EXPECT_NEAR(p.printable.left() - p.page.left(), 10 * p.scale, 1e-9);
            // The printed placement, in millimetres, at the preview's scale.
            const QSizeF pagePx(paper.width() / kMmPerInch * 300, paper.height() / kMmPerInch * 300);
            const QRectF printed = PrintDestination(pagePx, 300, 300, {4000, 3000}, Mode(mode));
            const double k = p.scale * kMmPerInch / 300;
            EXPECT_NEAR(p.picture.width(), printed.width() * k, 1e-6);
            EXPECT_NEAR(p.picture.height(), printed.height() * k, 1e-6);
            EXPECT_NEAR(p.picture.center().x(), p.page.left() + printed.center().x() * k, 1.0);
            EXPECT_NEAR(p.picture.center().y(), p.page.top() + printed.center().y() * k, 1.0);
            // A picture larger than the page is cut at the sheet's edge, as on paper.
            EXPECT_EQ(p.clip, p.page);
        }
    }
}

} // namespace
} // namespace pv
