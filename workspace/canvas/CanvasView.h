#pragma once
// The main window's canvas: the result picture at the zoom and pan of its
// CanvasGeometry, the source while the right button is held and, in split
// view, the source left of a movable divider with the result right of it.
// The wheel and the zoom steps zoom, a left drag pans, a double-click opens
// the full-screen viewer.
//
// The pictures are the main window's (TEngineHost::FSkImage and
// FSkSourceImage), read whenever the canvas lays out or draws, so whoever
// replaces a picture only asks for a redraw. View changes never re-render an
// effect; they only resample what is visible (nearest while a zoom gesture
// runs, cubic afterwards) and a repaint of an unchanged view is a blit.

#include "workspace/canvas/CanvasGeometry.h"
#include "workspace/canvas/CanvasRenderer.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QDragEnterEvent;
class QDropEvent;
class QMouseEvent;
class QPainter;

namespace pv {

class TEngineHost;

// A tool drawn over the picture that may take mouse input first (the text
// and watermark tools), in the order the tools were added.
class CanvasTool {
public:
    enum class MoveResult { None, Hover, Drag };

    virtual ~CanvasTool() = default;
    // Draws the overlay; imageOrigin and zoom place picture points on the canvas.
    virtual void Paint(QPainter& painter, QPointF imageOrigin, float zoom) = 0;
    // True when the press is the tool's; the canvas then ignores it.
    virtual bool MousePress(QMouseEvent&) { return false; }
    // Drag: the move is the tool's alone. Hover: the tool has set the cursor.
    virtual MoveResult MouseMove(QMouseEvent&) { return MoveResult::None; }
    // Every release reaches every tool (it ends their drags).
    virtual void MouseRelease(QMouseEvent&) {}
    // While true a double-click does not open the full-screen viewer.
    virtual bool BlocksFullScreen() const { return false; }
};

class CanvasView : public QWidget {
    Q_OBJECT
public:
    // Width of the split-view divider.
    static constexpr float kDividerWidth = 3.0f;
    // A zoom gesture ends this long after its last step.
    static constexpr int kZoomDebounceMs = 150;
    // Repeat interval of a held zoom button.
    static constexpr int kZoomRepeatMs = 50;

    explicit CanvasView(TEngineHost& host, QWidget* parent = nullptr);
    ~CanvasView() override;

    // The view state (FZoomFactor, FPanOffset, FDividerX, ...) with the
    // current pictures' sizes; tools read it and may change the pan.
    CanvasGeometry& Geometry();
    QRectF ImageScreenRect() { return Geometry().ImageScreenRect(); }
    QPointF ImageOrigin() { return Geometry().ImageOrigin(); }
    // The canvas's bounds (left, top, width, height) as the brush panel follows them.
    QRectF CanvasBounds() { return Geometry().CanvasRect(); }
    // True while a zoom gesture runs (fast sampling).
    bool IsZooming() const { return FZooming; }

    // ---- layout and zoom
    void Redraw();
    void UpdatePaintBoxSize();
    void CalculateBestFitAndCenter();
    void CenterImageInPaintBox();
    void FullSizeAndCenter();
    // Back to 100 % with no pan, as a new window starts (the full reset).
    void ResetView();
    void ZoomIn();
    void ZoomOut();
    // A held zoom button: one step every 50 ms until stopped.
    void StartZoomRepeat(bool zoomIn);
    void StopZoomRepeat();
    // Stops every timer of the canvas (window teardown).
    void StopTimers();
    // The canvas background (the workspace panel's fill colour).
    void SetBackgroundColor(TAlphaColor color);

    // ---- split view
    bool IsSplitView() const { return FSplitView; }
    // The split-view switch: the divider shows exactly while it is on.
    void SetSplitView(bool on);
    // The toolbar's toggle: with a picture, flips split view and centres the
    // divider when turning on. Returns whether split view is on.
    bool ToggleSplitView();
    QRectF DividerTrack() { return Geometry().DividerTrack(); }
    void UpdateDivider();
    float CaptureDividerFrac() { return Geometry().CaptureDividerFrac(); }
    void RestoreDividerFrac(float frac);
    void CenterDivider();
    void SetDividerX(float x);
    void EndDividerDrag();
    // The divider control (for tests and hit checks); hidden when split view is off.
    QWidget* Splitter() const { return FSplitter; }

    // ---- input forwarded by panels lying over the canvas
    // The right button: show the source while held.
    void SetRightPreview(bool held);
    // One wheel notch about the pointer's screen position.
    void WheelZoom(int delta);
    // Ends a pan (the window lost the focus).
    void EndPan();

    // ---- tools drawn over the picture (not owned)
    void AddTool(CanvasTool* tool);
    void RemoveTool(CanvasTool* tool);

    // The frame the canvas shows now (tests, benchmarks).
    const QImage& RenderFrame();

    // ---- drops: files and gallery thumbnails are taken here, on the canvas
    // and what lies on it (the drop zone, the crop's controls), and nowhere
    // else in the window. The window decides what a drag offers and does.
    std::function<void(QDragEnterEvent*)> OnDragEnter;
    std::function<void(QDropEvent*)> OnDrop;

Q_SIGNALS:
    // The zoom label's text changed ("37%").
    void zoomLabelChanged(const QString& text);
    // Zoom or pan changed where a panel following the canvas must follow too.
    void panZoomChanged(float zoom, QPointF pan, QRectF canvasBounds);
    void splitViewChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class CanvasDivider;

    void SyncPictures();
    bool HasBothPictures() const;
    // One step of a zoom gesture: fast sampling until the gesture ends, the
    // divider kept at its fraction of the picture.
    void ZoomGestureStep(const std::function<void()>& step);
    void ZoomDebounceTimerTimer();
    void EmitPanZoom();
    CanvasScene BuildScene();
    QPointF ToCanvas(QPointF widgetPos) const;
    void BeginDividerDrag();
    void DividerDragTo(QPointF globalPos, Qt::MouseButtons buttons);
    void OpenFullScreen();

    TEngineHost& host_;
    CanvasGeometry geo_;
    CanvasRenderer renderer_;
    std::vector<CanvasTool*> tools_;
    TAlphaColor background_ = kWorkspaceColor;

    QWidget* FSplitter = nullptr;
    QTimer FZoomDebounceTimer;
    QTimer ZoomInTimer;
    QTimer ZoomOutTimer;
    bool FSplitView = false;
    bool FZooming = false;
    bool FIsPanning = false;
    QPointF FLastMousePos;
    bool FDragging = false;
    bool FRightPreview = false;
    bool dividerPlaced_ = false;
};

} // namespace pv
