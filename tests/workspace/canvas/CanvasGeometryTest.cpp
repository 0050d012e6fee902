#include "workspace/canvas/CanvasGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace pv {
namespace {

// A geometry with an 800 x 600 viewport, laid out for the picture it shows.
CanvasGeometry Viewport800x600(QSize picture)
{
    CanvasGeometry g;
    g.Viewport = QSizeF(800, 600);
    g.Canvas = g.Viewport;
    g.Picture = picture;
    g.FLayoutImgW = picture.width();
    g.FLayoutImgH = picture.height();
    return g;
}

void ExpectRect(const QRectF& actual, const QRectF& expected)
{
    EXPECT_NEAR(actual.left(), expected.left(), 1e-3);
    EXPECT_NEAR(actual.top(), expected.top(), 1e-3);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3);
}

TEST(CanvasGeometryTest, WheelStepsSnapToHundredPercentAndStayInRange)
{
    struct Case {
        float zoom;
        int delta;
        float expected;
    } cases[] = {
        {1.0f, 120, 1.08f},          // middle range: 8 % per notch
        {1.0f, -120, 1.0f / 1.08f},
        {0.4f, 120, 0.4f * 1.03f},   // below 50 %: 3 %
        {2.0f, 120, 2.0f * 1.12f},   // from 150 %: 12 %
        {0.93f, 120, 1.0f},          // 100.44 % lands on 100 %
        {1.08f, -120, 1.0f},
        {1.07f, -120, 1.07f / 1.08f}, // 99.07 % is outside the half percent
        {0.1f, -120, 0.1f},          // limits
        {9.5f, 120, 10.0f},
        {10.0f, 120, 10.0f},
        {1.0f, 0, 1.0f / 1.08f},     // a delta below 1 zooms out
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(WheelZoom(c.zoom, c.delta), c.expected) << c.zoom << " " << c.delta;
}

TEST(CanvasGeometryTest, ButtonStepsNeverSnapAndStayInRange)
{
    EXPECT_FLOAT_EQ(ButtonZoom(1.0f, true), 1.1f);
    EXPECT_FLOAT_EQ(ButtonZoom(0.95f, true), 0.95f * 1.1f); // 104.5 %, not 100 %
    EXPECT_FLOAT_EQ(ButtonZoom(0.105f, false), 0.1f);
    EXPECT_FLOAT_EQ(ButtonZoom(9.5f, true), 10.0f);

    float wheel = 1, button = 1;
    for (int i = 0; i < 200; ++i) {
        wheel = WheelZoom(wheel, -120);
        button = ButtonZoom(button, false);
    }
    EXPECT_FLOAT_EQ(wheel, kMinZoom);
    EXPECT_FLOAT_EQ(button, kMinZoom);
}

TEST(CanvasGeometryTest, ZoomLabelRoundsHalvesToEven)
{
    EXPECT_EQ(ZoomLabelText(1.0f), "100%");
    EXPECT_EQ(ZoomLabelText(0.125f), "12%");
    EXPECT_EQ(ZoomLabelText(0.375f), "38%");
    EXPECT_EQ(ZoomLabelText(10.0f), "1000%");
}

TEST(CanvasGeometryTest, ImageScreenRectCentresWhatFitsAndFollowsThePanOtherwise)
{
    struct Case {
        const char* name;
        QSize picture;
        float zoom;
        QPointF pan;
        QSize layout; // empty: laid out for the picture
        QPointF scroll;
        QRectF expected;
    } cases[] = {
        {"smaller than the viewport", {400, 300}, 1, {10, 20}, {}, {}, {200, 150, 400, 300}},
        {"larger", {1600, 1200}, 1, {-100, -50}, {}, {}, {-100, -50, 1600, 1200}},
        {"wider only", {2000, 100}, 1, {-300, 7}, {}, {}, {-300, 250, 2000, 100}},
        {"zoomed down to fit", {4000, 3000}, 0.1f, {-900, -900}, {}, {}, {200, 150, 400, 300}},
        {"size changed since layout", {1000, 1000}, 1, {-100, -50}, {1600, 1200}, {}, {-100, -200, 1000, 1000}},
        {"scrolled viewport", {400, 300}, 1, {0, 0}, {}, {5, 7}, {205, 157, 400, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CanvasGeometry g = Viewport800x600(c.picture);
        if (!c.layout.isEmpty()) {
            g.FLayoutImgW = c.layout.width();
            g.FLayoutImgH = c.layout.height();
        }
        g.FZoomFactor = c.zoom;
        g.FPanOffset = c.pan;
        g.Scroll = c.scroll;
        ExpectRect(g.ImageScreenRect(), c.expected);
        EXPECT_EQ(g.ImageOrigin(), g.ImageScreenRect().topLeft());
    }

    CanvasGeometry none = Viewport800x600({});
    none.FPanOffset = QPointF(3, 4);
    EXPECT_TRUE(none.ImageScreenRect().isEmpty());
    EXPECT_EQ(none.ImageOrigin(), QPointF(3, 4));
}

TEST(CanvasGeometryTest, SourceIsDrawnAtItsOwnSizeAroundTheResultsCentre)
{
    CanvasGeometry g = Viewport800x600({400, 300});
    g.FZoomFactor = 0.5f;
    g.Source = QSize(300, 500);
    ExpectRect(g.ImageScreenRect(), {300, 225, 200, 150});
    ExpectRect(g.SourceScreenRect(), {325, 175, 150, 250});
    g.Source = QSize();
    ExpectRect(g.SourceScreenRect(), g.ImageScreenRect());
}

TEST(CanvasGeometryTest, BestFitZoomsToTheViewportWithinLimitsAndCentres)
{
    struct Case {
        QSize picture;
        float zoom;
        QPointF pan;
        QSizeF canvas;
    } cases[] = {
        {{4000, 3000}, 0.2f, {0, 0}, {800, 600}},
        {{4000, 1000}, 0.2f, {0, 200}, {800, 600}},
        {{40, 30}, 10.0f, {200, 150}, {800, 600}},             // would be 2000 %
        {{100000, 10}, 0.1f, {-4600, 299.5}, {10000, 600}},   // would be 0.8 %
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture.width());
        CanvasGeometry g = Viewport800x600(c.picture);
        g.FLayoutImgW = g.FLayoutImgH = 0;
        g.FZoomFactor = 3;
        g.Scroll = QPointF(40, 40);
        g.CalculateBestFitAndCenter();
        EXPECT_FLOAT_EQ(g.FZoomFactor, c.zoom);
        EXPECT_NEAR(g.FPanOffset.x(), c.pan.x(), 1e-3);
        EXPECT_NEAR(g.FPanOffset.y(), c.pan.y(), 1e-3);
        EXPECT_EQ(g.FLayoutImgW, c.picture.width());
        EXPECT_EQ(g.FLayoutImgH, c.picture.height());
        EXPECT_EQ(g.Canvas, c.canvas);
    }
}

TEST(CanvasGeometryTest, FullSizeCentresInTheViewportAndCenteringUsesTheCanvas)
{
    CanvasGeometry g = Viewport800x600({4000, 3000});
    g.FZoomFactor = 0.3f;
    g.FullSizeAndCenter();
    EXPECT_FLOAT_EQ(g.FZoomFactor, 1.0f);
    EXPECT_EQ(g.FPanOffset, QPointF(-1600, -1200));
    EXPECT_EQ(g.Canvas, QSizeF(4000, 3000));

    // The canvas is as large as the picture, so centring in it puts the
    // picture at the canvas's origin.
    g.CenterImageInPaintBox();
    EXPECT_EQ(g.FPanOffset, QPointF(0, 0));

    CanvasGeometry none = Viewport800x600({});
    none.FullSizeAndCenter();
    none.CalculateBestFitAndCenter();
    EXPECT_FLOAT_EQ(none.FZoomFactor, 1.0f);
    EXPECT_EQ(none.FPanOffset, QPointF(0, 0));
}

TEST(CanvasGeometryTest, PaintBoxCoversViewportAndFlooredPictureAndScrollsBackWhenItFits)
{
    CanvasGeometry g;
    g.Picture = QSize(333, 333);
    g.FZoomFactor = 0.5f; // 166.5 on screen
    g.Viewport = QSizeF(100, 100);
    g.Scroll = QPointF(10, 10);
    g.UpdatePaintBoxSize();
    EXPECT_EQ(g.Canvas, QSizeF(166, 166));
    EXPECT_EQ(g.Scroll, QPointF(10, 10));
    g.Viewport = QSizeF(200, 120);
    g.UpdatePaintBoxSize();
    EXPECT_EQ(g.Canvas, QSizeF(200, 166));
    EXPECT_EQ(g.Scroll, QPointF(10, 10));
    g.Viewport = QSizeF(200, 200);
    g.UpdatePaintBoxSize();
    EXPECT_EQ(g.Canvas, QSizeF(200, 200));
    EXPECT_EQ(g.Scroll, QPointF(0, 0));
}

TEST(CanvasGeometryTest, ZoomKeepsThePointUnderThePointerAndStepsAboutTheViewportCentre)
{
    CanvasGeometry g = Viewport800x600({1600, 1200});
    g.FPanOffset = QPointF(100, 100);
    g.ZoomAbout(QPointF(300, 200), 2.0f);
    EXPECT_EQ(g.FPanOffset, QPointF(-100, 0)); // picture point (200, 100) stays at (300, 200)

    g.Canvas = QSizeF(1000, 800);
    g.FZoomFactor = 1;
    g.FPanOffset = QPointF(0, 0);
    g.ZoomStep(true);
    EXPECT_FLOAT_EQ(g.FZoomFactor, 1.1f);
    EXPECT_NEAR(g.FPanOffset.x(), 400 - 400 * 1.1, 1e-3);
    EXPECT_NEAR(g.FPanOffset.y(), 300 - 300 * 1.1, 1e-3);
}

TEST(CanvasGeometryTest, ButtonStepsUpToTheLimitKeepWhatIsInTheMiddleOfTheViewport)
{
    // Each click ends its gesture, so the canvas grows with the picture
    // between the steps.
    CanvasGeometry g = Viewport800x600({4000, 3000});
    g.FullSizeAndCenter();
    const QPointF middle = g.ViewportRect().center();
    const auto pictureAtMiddle = [&] { return (middle - g.ImageOrigin()) / double(g.FZoomFactor); };
    g.Pan(QPointF(-700, 450), false);
    g.UpdatePaintBoxSize();
    const QPointF seen = pictureAtMiddle();
    while (g.FZoomFactor < kMaxZoom) {
        g.ZoomStep(true);
        g.UpdatePaintBoxSize();
        EXPECT_NEAR(pictureAtMiddle().x(), seen.x(), 1e-2) << g.FZoomFactor;
        EXPECT_NEAR(pictureAtMiddle().y(), seen.y(), 1e-2) << g.FZoomFactor;
    }
    while (g.FZoomFactor > 1.0f) {
        g.ZoomStep(false);
        g.UpdatePaintBoxSize();
        EXPECT_NEAR(pictureAtMiddle().x(), seen.x(), 1e-2) << g.FZoomFactor;
    }
}

TEST(CanvasGeometryTest, CentringAPictureOfAnotherSizeLeavesNoEmptyBand)
{
    struct Case {
        const char* what;
        QSize before, after;
        float zoom;
    };
    const Case cases[] = {
        {"rotated at 100 %", {4000, 3000}, {3000, 4000}, 1.0f},
        {"rotated back", {3000, 4000}, {4000, 3000}, 1.0f},
        {"undone to a smaller crop", {4000, 3000}, {1200, 900}, 1.0f},
        {"rotated at 50 %", {4000, 3000}, {3000, 4000}, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CanvasGeometry g;
        g.Viewport = QSizeF(1600, 1000);
        g.Picture = c.before;
        g.FullSizeAndCenter();
        g.FZoomFactor = c.zoom;
        g.UpdatePaintBoxSize();
        g.Picture = c.after;
        g.CenterImageInPaintBox();
        const QRectF shown = g.ImageScreenRect();
        const QRectF view = g.ViewportRect();
        // Along each axis the picture either covers the viewport or is centred in it.
        if (shown.width() >= view.width()) {
            EXPECT_LE(shown.left(), view.left());
            EXPECT_GE(shown.right(), view.right());
        } else {
            EXPECT_NEAR(shown.center().x(), view.center().x(), 1e-3);
        }
        if (shown.height() >= view.height()) {
            EXPECT_LE(shown.top(), view.top());
            EXPECT_GE(shown.bottom(), view.bottom());
        } else {
            EXPECT_NEAR(shown.center().y(), view.center().y(), 1e-3);
        }
        EXPECT_EQ(g.Canvas, QSizeF(std::max(std::floor(c.after.width() * c.zoom), 1600.0f),
                                   std::max(std::floor(c.after.height() * c.zoom), 1000.0f)));
    }
}

TEST(CanvasGeometryTest, DividerStaysOnTheVisiblePictureAndKeepsItsFractionThroughZoom)
{
    // 1600 x 1200 at 100 % in the 800 x 600 viewport, panned left by 400:
    // the visible part of the picture is x 0..800.
    CanvasGeometry g = Viewport800x600({1600, 1200});
    g.FPanOffset = QPointF(-400, -300);
    ExpectRect(g.DividerTrack(), {0, 0, 800, 600});

    struct Case {
        float divider;
        float clamped;
        float frac;
    } cases[] = {
        {400, 400, 0.5f},
        {-50, 0, 0.25f},   // left of the view: clamped to the visible picture
        {2000, 800, 0.75f},
    };
    for (const Case& c : cases) {
        g.FDividerX = c.divider;
        const QRectF place = g.UpdateDivider(true, 3);
        EXPECT_FLOAT_EQ(g.FDividerX, c.clamped);
        ExpectRect(place, {c.clamped - 1.5, 0, 3, 600});
        EXPECT_FLOAT_EQ(g.CaptureDividerFrac(), c.frac);
    }

    // A zoom about any point keeps the divider at the same fraction of the picture.
    g.FDividerX = 600; // 1000 of 1600: 0.625
    const float frac = g.CaptureDividerFrac();
    g.ZoomAbout(QPointF(100, 100), 0.5f);
    g.RestoreDividerFrac(frac);
    const QRectF r = g.ImageScreenRect();
    EXPECT_FLOAT_EQ(g.FDividerX, float(r.left() + 0.625 * r.width()));

    // Hidden without split view, without a picture, or with the picture out of view.
    EXPECT_TRUE(g.UpdateDivider(false, 3).isEmpty());
    g.FZoomFactor = 1;
    g.FPanOffset = QPointF(900, -300);
    EXPECT_TRUE(g.DividerTrack().isEmpty());
    EXPECT_TRUE(g.UpdateDivider(true, 3).isEmpty());
    CanvasGeometry none = Viewport800x600({});
    EXPECT_TRUE(none.UpdateDivider(true, 3).isEmpty());
    EXPECT_FLOAT_EQ(none.CaptureDividerFrac(), 0.5f);
}

TEST(CanvasGeometryTest, PanMovesTheDividerOnlyInSplitViewAndCentreDividerUsesThePicture)
{
    CanvasGeometry g = Viewport800x600({1600, 1200});
    g.FDividerX = 100;
    g.Pan(QPointF(15, -5), false);
    EXPECT_EQ(g.FPanOffset, QPointF(15, -5));
    EXPECT_FLOAT_EQ(g.FDividerX, 100);
    g.Pan(QPointF(15, -5), true);
    EXPECT_EQ(g.FPanOffset, QPointF(30, -10));
    EXPECT_FLOAT_EQ(g.FDividerX, 115);

    g.CenterDivider();
    EXPECT_FLOAT_EQ(g.FDividerX, 830); // 30 + 1600 / 2
}

} // namespace
} // namespace pv
