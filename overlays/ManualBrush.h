#pragma once
// The manual brush: a panel lying over the canvas without a backdrop, on
// which the user paints a soft mask with the mouse. Every finished stroke is
// handed to the window, which renders the selected effect inside the
// stroke's region and blends it in through the mask. A small draggable
// control panel holds size, softness and opacity and a close box. The view is
// the canvas's: the panel follows its zoom and pan, pans it with Ctrl+drag
// and hands the wheel and the right button to it.
//
// The masks are 8-bit coverage rasters of the picture's size. While a stroke
// is painted, a screen-sized raster shows it, updated only where stamps land.

#include "platform/graphics/SkTypes.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace pv {

class TCaptionedSlider;
class TFloatingPanel;

// ---- the brush's arithmetic

// Coverage (0..1) of the tip at distance d (screen pixels) from its centre,
// for a tip of diameter size and softness 0..1: full out to (1 - softness) x
// radius, then a linear fall to none at the radius; above softness 0.01 only,
// else a hard disc with a one-pixel anti-aliased rim.
float BrushTipCoverage(float d, float size, float softness);

// The stamps a stroke places moving from the last stamp to `to` (screen
// pixels): none when closer than the spacing max(1, size / 5), else n =
// trunc(distance / spacing) evenly spaced, the last exactly at `to`.
std::vector<QPointF> StrokeStamps(QPointF last, QPointF to, float size);

// Lays one stamp into a coverage mask (source-over): the tip of diameter
// size (screen pixels) at the picture point centre, seen at zoom (screen
// pixels per picture pixel). Returns the changed rectangle, empty when the
// stamp lies more than half a tip outside the mask.
SkIRect StampCoverage(QImage& mask, QPointF centre, float size, float softness, float zoom);

// Draws one coverage mask over another, source-over.
void MergeCoverage(QImage& into, const QImage& from);

class TFrameManualBrush : public QWidget {
    Q_OBJECT
public:
    explicit TFrameManualBrush(QWidget* parent = nullptr);
    ~TFrameManualBrush() override;

    // Starts an empty mask for a picture of w x h shown at zoom with its
    // top-left corner at origin, inside the canvas rectangle paintBox (all in
    // this panel's coordinates); controlsPos (0, 0) is the default place.
    void Initialize(int w, int h, float zoom, QPointF origin, QRectF paintBox, QPointF controlsPos);
    // Follows the canvas's zoom and pan.
    void UpdatePan(float zoom, QPointF origin, QRectF paintBox);
    // Clears mask and stroke and leaves the applying state.
    void ResetMask();
    void RepositionControls();
    // The mask of the committed strokes (Format_Alpha8, picture size), null
    // when nothing was committed; and its bounds, empty when it covers nothing.
    QImage GetMaskImage() const { return FFrozenMask; }
    SkIRect GetMaskBounds() const;

    // Slider values as the window keeps them between openings: size 0..500,
    // softness and opacity 0..100.
    void SetSliders(float size, float softness, float opacity);
    float SizeValue() const { return FBrushSize; }
    float SoftnessValue() const;
    float OpacityValue() const;
    QPointF ControlsPos() const { return FControlsPos; }
    QRectF PaintBoxRect() const { return FPaintBoxRect; }
    bool IsApplying() const { return FApplying; }
    void SetApplying(bool applying) { FApplying = applying; }
    bool IsDrawing() const { return FIsDrawing; }
    TFloatingPanel* Controls() const { return LayoutControls; }
    TCaptionedSlider* TrackBarSize() const { return sliders_[0]; }
    TCaptionedSlider* TrackBarSoftness() const { return sliders_[1]; }
    TCaptionedSlider* TrackBarOpacity() const { return sliders_[2]; }
    // What the stroke shows on screen now (tests).
    const QImage& LiveOverlay() const { return FLiveScreen; }

    // ---- reported to the window
    std::function<void()> OnStrokeFinished; // FApplying is already set
    std::function<void()> OnClose;          // the close box
    std::function<void(bool held)> OnRightButton;
    std::function<void(int delta)> OnWheel;
    std::function<void(QPointF delta)> OnPan;

    // ---- the stroke, in this panel's coordinates (mouse handlers and tests)
    void BeginStroke(QPointF at);
    void StrokeTo(QPointF at);
    void EndStroke(QPointF at);
    void CommitStroke();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void StampAt(QPointF at);
    void RebuildLiveScreen();
    void CursorTimerTimer();
    QPointF ToPicture(QPointF p) const;
    QRect OutlineRect() const;

    float FBrushSize = 100, FBrushSoftness = 0.5f, FBrushOpacity = 1;
    bool FApplying = false;
    QRectF FPaintBoxRect;
    QPointF FControlsPos;
    int FImgW = 0, FImgH = 0;
    float FZoomFactor = 1;
    QPointF FOrigin;
    QImage FLiveSurface; // the stroke being painted, picture size
    QImage FMaskSurface; // committed strokes
    QImage FFrozenMask;  // handed to the application
    QImage FLiveScreen;  // the stroke as shown, this panel's size
    QPointF FLastStamp;
    bool FHasLastStamp = false;
    QPointF FMouse;
    bool FMouseInCanvas = false;
    bool FIsDrawing = false;
    bool FCtrlPanning = false;
    bool FCtrlHeld = false;
    QPointF FCtrlPanLastPos;
    TFloatingPanel* LayoutControls = nullptr;
    TCaptionedSlider* sliders_[3] = {};
    QTimer CursorTimer;
};

} // namespace pv
