#pragma once
// The canvas arithmetic of the main window: where the result and source
// pictures lie on the canvas for a zoom and pan, how large the canvas is, the
// zoom steps of the wheel and the buttons, and the split-view divider.
//
// Canvas coordinates are those of the canvas widget; the viewport shows the
// canvas from its scroll position. A picture point p is drawn at
// ImageOrigin() + p * FZoomFactor.

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

namespace pv {

constexpr float kMinZoom = 0.1f;
constexpr float kMaxZoom = 10.0f;
// Zoom factor of one toolbar or key step.
constexpr float kButtonZoomStep = 1.1f;

float ClampZoom(float zoom);
// The wheel's factor per notch: finer when zoomed out, coarser when zoomed in.
float WheelZoomStep(float zoom);
// The zoom after one wheel notch (delta < 1 zooms out), kept in range; a
// result within half a percent of 100 % lands exactly on it.
float WheelZoom(float zoom, int delta);
// The zoom after one toolbar or key step, kept in range, never snapped.
float ButtonZoom(float zoom, bool zoomIn);
// "37%": the zoom label's text.
QString ZoomLabelText(float zoom);

class CanvasGeometry {
public:
    // ---- inputs, kept current by the window
    QSize Picture;       // size of the result picture; empty without one
    QSize Source;        // size of the source picture; empty without one
    QSizeF Viewport;     // the visible area's width W and height H
    QPointF Scroll;      // the viewport's scroll position (vx, vy) in the canvas
    QSizeF Canvas;       // the canvas size UpdatePaintBoxSize last gave

    // ---- view state
    float FZoomFactor = 1.0f;
    QPointF FPanOffset;  // canvas position of the picture's top-left corner
    int FLayoutImgW = 0; // picture size FPanOffset was last laid out for
    int FLayoutImgH = 0;
    float FDividerX = 0; // canvas x of the split-view divider

    bool HasPicture() const { return Picture.width() > 0 && Picture.height() > 0; }
    bool HasSource() const { return Source.width() > 0 && Source.height() > 0; }

    // The result picture's rectangle on the canvas (empty without a picture).
    // A picture narrower or lower than the viewport, or one whose size changed
    // since the last layout, is centred in the viewport on that axis.
    QRectF ImageScreenRect() const;
    // Top-left corner of ImageScreenRect, or FPanOffset without a picture.
    QPointF ImageOrigin() const;
    // Where the source is drawn: its own size times the zoom, centred on the
    // result's rectangle (the result's rectangle without a source).
    QRectF SourceScreenRect() const;
    // The viewport's rectangle in canvas coordinates.
    QRectF ViewportRect() const { return {Scroll, Viewport}; }
    QRectF CanvasRect() const { return {QPointF(0, 0), Canvas}; }

    // The canvas becomes at least the viewport and at least the zoomed picture;
    // when the picture fits the viewport scrolls back to the origin.
    void UpdatePaintBoxSize();
    // Zoom to fit the viewport (no margin) and centre; lays out for this size.
    void CalculateBestFitAndCenter();
    // Sizes the canvas for the picture, then centres the picture in it (not
    // in the viewport) at the current zoom.
    void CenterImageInPaintBox();
    // 100 % centred in the viewport.
    void FullSizeAndCenter();

    // New zoom keeping the picture point under canvas point m in place.
    void ZoomAbout(QPointF m, float newZoom);
    // One wheel notch about m.
    void WheelZoomAbout(QPointF m, int delta) { ZoomAbout(m, WheelZoom(FZoomFactor, delta)); }
    // One toolbar step about the viewport's centre.
    void ZoomStep(bool zoomIn);
    // Moves the picture; in split view the divider moves with it.
    void Pan(QPointF delta, bool splitView);

    // ---- split view
    // The visible part of the picture: ImageScreenRect within the viewport.
    QRectF DividerTrack() const;
    // Where the divider stands across the picture, 0..1 (0.5 for a picture without width).
    float CaptureDividerFrac() const;
    // Puts the divider back at that fraction of the picture (the window then
    // clamps it with UpdateDivider).
    void RestoreDividerFrac(float frac);
    // The divider to the middle of the picture (likewise).
    void CenterDivider();
    // Keeps the divider within the visible picture and returns where the
    // divider control of this width stands; empty when it is hidden.
    QRectF UpdateDivider(bool splitView, float dividerWidth);
};

} // namespace pv
