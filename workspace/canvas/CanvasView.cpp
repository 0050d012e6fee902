#include "workspace/canvas/CanvasView.h"

#include "engine/EngineHost.h"
#include "platform/graphics/SkImage.h"
#include "shell/FullScreenForm.h"

#include <QCursor>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>

namespace pv {

// The split-view divider: a white bar the user drags; it keeps the mouse
// while dragged and hands the drag to the canvas.
class CanvasDivider : public QWidget {
public:
    explicit CanvasDivider(CanvasView* view) : QWidget(view), view_(view)
    {
        setCursor(Qt::SplitHCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::white); }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            view_->BeginDividerDrag();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        view_->DividerDragTo(event->globalPosition(), event->buttons());
    }
    void mouseReleaseEvent(QMouseEvent*) override { view_->EndDividerDrag(); }

private:
    CanvasView* view_;
};

CanvasView::CanvasView(TEngineHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setMouseTracking(true);
    setAcceptDrops(true);
    FSplitter = new CanvasDivider(this);
    FZoomDebounceTimer.setSingleShot(true);
    FZoomDebounceTimer.setInterval(kZoomDebounceMs);
    connect(&FZoomDebounceTimer, &QTimer::timeout, this, [this] { ZoomDebounceTimerTimer(); });
    ZoomInTimer.setInterval(kZoomRepeatMs);
    ZoomOutTimer.setInterval(kZoomRepeatMs);
    connect(&ZoomInTimer, &QTimer::timeout, this, [this] { ZoomIn(); });
    connect(&ZoomOutTimer, &QTimer::timeout, this, [this] { ZoomOut(); });
}

CanvasView::~CanvasView() = default;

void CanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
    if (OnDragEnter)
        OnDragEnter(event);
}

void CanvasView::dropEvent(QDropEvent* event)
{
    event->ignore();
    if (OnDrop)
        OnDrop(event);
}

void CanvasView::SyncPictures()
{
    const auto sizeOf = [](const ISkImage& image) { return image ? QSize(image->width(), image->height()) : QSize(); };
    geo_.Picture = sizeOf(host_.FSkImage);
    geo_.Source = sizeOf(host_.FSkSourceImage);
}

CanvasGeometry& CanvasView::Geometry()
{
    SyncPictures();
    return geo_;
}

bool CanvasView::HasBothPictures() const { return host_.FSkImage && host_.FSkSourceImage; }

QPointF CanvasView::ToCanvas(QPointF widgetPos) const { return widgetPos + geo_.Scroll; }

void CanvasView::Redraw() { update(); }

void CanvasView::SetBackgroundColor(TAlphaColor color)
{
    background_ = color;
    update();
}

void CanvasView::EmitPanZoom() { Q_EMIT panZoomChanged(geo_.FZoomFactor, geo_.FPanOffset, geo_.CanvasRect()); }

// ------------------------------------------------------------------ layout and zoom

void CanvasView::UpdatePaintBoxSize()
{
    Geometry().UpdatePaintBoxSize();
    update();
}

void CanvasView::CalculateBestFitAndCenter()
{
    if (!Geometry().HasPicture())
        return;
    geo_.CalculateBestFitAndCenter();
    update();
    Q_EMIT zoomLabelChanged(ZoomLabelText(geo_.FZoomFactor));
    EmitPanZoom();
}

void CanvasView::CenterImageInPaintBox()
{
    Geometry().CenterImageInPaintBox();
    update();
    EmitPanZoom();
}

void CanvasView::FullSizeAndCenter()
{
    if (!Geometry().HasPicture())
        return;
    geo_.FullSizeAndCenter();
    update();
    Q_EMIT zoomLabelChanged(ZoomLabelText(geo_.FZoomFactor));
    EmitPanZoom();
}

void CanvasView::ResetView()
{
    geo_.FZoomFactor = 1.0f;
    geo_.FPanOffset = {};
    update();
    Q_EMIT zoomLabelChanged(ZoomLabelText(geo_.FZoomFactor));
    EmitPanZoom();
}

void CanvasView::ZoomGestureStep(const std::function<void()>& step)
{
    SyncPictures();
    if (!HasBothPictures())
        return;
    const float frac = geo_.CaptureDividerFrac();
    FZooming = true;
    FZoomDebounceTimer.start();
    step();
    if (FSplitView)
        RestoreDividerFrac(frac);
    update();
    Q_EMIT zoomLabelChanged(ZoomLabelText(geo_.FZoomFactor));
    EmitPanZoom();
}

void CanvasView::WheelZoom(int delta)
{
    // The pointer's own position, so wheel events forwarded by a panel lying
    // over the canvas zoom about the right point.
    ZoomGestureStep([&] { geo_.WheelZoomAbout(ToCanvas(mapFromGlobal(QCursor::pos().toPointF())), delta); });
}

void CanvasView::ZoomIn()
{
    ZoomGestureStep([&] { geo_.ZoomStep(true); });
}

void CanvasView::ZoomOut()
{
    ZoomGestureStep([&] { geo_.ZoomStep(false); });
}

void CanvasView::StartZoomRepeat(bool zoomIn)
{
    StopZoomRepeat();
    (zoomIn ? ZoomInTimer : ZoomOutTimer).start();
}

void CanvasView::StopZoomRepeat()
{
    ZoomInTimer.stop();
    ZoomOutTimer.stop();
}

void CanvasView::StopTimers()
{
    StopZoomRepeat();
    FZoomDebounceTimer.stop();
}

void CanvasView::ZoomDebounceTimerTimer()
{
    FZoomDebounceTimer.stop();
    FZooming = false;
    Geometry().UpdatePaintBoxSize();
    if (FSplitView)
        UpdateDivider();
    update();
    EmitPanZoom();
}

// ------------------------------------------------------------------ split view

void CanvasView::SetSplitView(bool on)
{
    FSplitView = on;
    if (on)
        UpdateDivider();
    else
        FSplitter->hide();
    update();
    Q_EMIT splitViewChanged(on);
}

bool CanvasView::ToggleSplitView()
{
    if (!host_.FSkImage)
        return FSplitView;
    SetSplitView(!FSplitView);
    if (FSplitView)
        CenterDivider();
    return FSplitView;
}

void CanvasView::UpdateDivider()
{
    const QRectF place = Geometry().UpdateDivider(FSplitView, kDividerWidth);
    if (place.isEmpty()) {
        FSplitter->hide();
        return;
    }
    const QPointF topLeft = place.topLeft() - geo_.Scroll;
    FSplitter->setGeometry(QRectF(topLeft, place.size()).toRect());
    FSplitter->show();
    FSplitter->raise();
}

void CanvasView::RestoreDividerFrac(float frac)
{
    Geometry().RestoreDividerFrac(frac);
    UpdateDivider();
}

void CanvasView::CenterDivider()
{
    Geometry().CenterDivider();
    UpdateDivider();
}

void CanvasView::SetDividerX(float x)
{
    geo_.FDividerX = x;
    UpdateDivider();
    update();
}

void CanvasView::BeginDividerDrag()
{
    FDragging = true;
    setCursor(Qt::SplitHCursor);
}

void CanvasView::DividerDragTo(QPointF globalPos, Qt::MouseButtons buttons)
{
    if (!FDragging)
        return;
    if (buttons & Qt::LeftButton)
        SetDividerX(float(ToCanvas(mapFromGlobal(globalPos)).x()));
    else
        EndDividerDrag();
}

void CanvasView::EndDividerDrag()
{
    if (!FDragging)
        return;
    FDragging = false;
    unsetCursor();
}

// ------------------------------------------------------------------ input

void CanvasView::SetRightPreview(bool held)
{
    if (held && !host_.FSkImage)
        return;
    FRightPreview = held;
    update();
}

void CanvasView::EndPan()
{
    if (!FIsPanning)
        return;
    FIsPanning = false;
    unsetCursor();
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    for (CanvasTool* tool : tools_)
        if (tool->MousePress(*event))
            return;
    if (!host_.FSkImage)
        return;
    if (event->button() == Qt::LeftButton) {
        FIsPanning = true;
        FLastMousePos = ToCanvas(event->position());
        setCursor(Qt::SizeAllCursor);
    } else if (event->button() == Qt::RightButton) {
        SetRightPreview(true);
    }
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    bool toolHover = false;
    for (CanvasTool* tool : tools_) {
        const CanvasTool::MoveResult r = tool->MouseMove(*event);
        if (r == CanvasTool::MoveResult::Drag)
            return;
        toolHover = toolHover || r == CanvasTool::MoveResult::Hover;
    }
    if (!toolHover && !FDragging && !FIsPanning)
        unsetCursor();
    if (FDragging) {
        DividerDragTo(event->globalPosition(), event->buttons());
        return;
    }
    if (FIsPanning) {
        const QPointF point = ToCanvas(event->position());
        Geometry().Pan(point - FLastMousePos, FSplitView);
        FLastMousePos = point;
        UpdateDivider();
        update();
    }
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    for (CanvasTool* tool : tools_)
        tool->MouseRelease(*event);
    EndDividerDrag();
    if (event->button() == Qt::LeftButton)
        EndPan();
    else if (event->button() == Qt::RightButton)
        SetRightPreview(false);
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    OpenFullScreen();
}

void CanvasView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const QPoint delta = event->angleDelta();
    const int notch = delta.y() != 0 ? delta.y() : delta.x();
    if (notch != 0)
        WheelZoom(notch);
}

void CanvasView::OpenFullScreen()
{
    for (const CanvasTool* tool : tools_)
        if (tool->BlocksFullScreen())
            return;
    if (!host_.FSkImage)
        return;
    // The viewer takes the rest of the double-click; no pan survives it.
    EndPan();
    auto viewer = std::make_unique<TFullScreenForm>(window(), host_.FSkImage);
    if (const QScreen* display = window()->screen())
        viewer->setGeometry(display->geometry());
    viewer->exec();
}

// ------------------------------------------------------------------ tools

void CanvasView::AddTool(CanvasTool* tool)
{
    if (tool && std::find(tools_.begin(), tools_.end(), tool) == tools_.end())
        tools_.push_back(tool);
    update();
}

void CanvasView::RemoveTool(CanvasTool* tool)
{
    tools_.erase(std::remove(tools_.begin(), tools_.end(), tool), tools_.end());
    update();
}

// ------------------------------------------------------------------ drawing

void CanvasView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    geo_.Viewport = QSizeF(size());
    if (!dividerPlaced_) {
        geo_.FDividerX = float(width()) / 2;
        dividerPlaced_ = true;
    }
    if (Geometry().HasPicture())
        geo_.UpdatePaintBoxSize();
    else
        geo_.Canvas = geo_.Viewport;
    update();
}

CanvasScene CanvasView::BuildScene()
{
    SyncPictures();
    const qreal dpr = devicePixelRatioF();
    const QPointF scroll = geo_.Scroll;
    const auto toDevice = [&](const QRectF& r) { return QRectF((r.topLeft() - scroll) * dpr, r.size() * dpr); };

    CanvasScene scene;
    scene.size = (QSizeF(size()) * dpr).toSize();
    scene.background = background_;
    scene.canvas = toDevice(geo_.CanvasRect());
    scene.cornerRadius = float(kCanvasCornerRadius * dpr);
    scene.fast = FZooming;
    const QRectF canvas = geo_.CanvasRect();
    const QRectF result = geo_.ImageScreenRect();
    const QRectF source = geo_.SourceScreenRect();
    const auto add = [&](const ISkImage& image, const QRectF& dst, const QRectF& clip) {
        if (image)
            scene.layers[scene.layerCount++] = {image, toDevice(dst), toDevice(clip)};
    };
    if (FRightPreview && host_.FSkSourceImage) {
        add(host_.FSkSourceImage, source, canvas);
    } else if (FSplitView) {
        const double divider = geo_.FDividerX;
        add(host_.FSkSourceImage, source, QRectF(QPointF(canvas.left(), canvas.top()), QPointF(divider, canvas.bottom())));
        add(host_.FSkImage, result, QRectF(QPointF(divider, canvas.top()), canvas.bottomRight()));
    } else {
        add(host_.FSkImage, result, canvas);
    }
    return scene;
}

const QImage& CanvasView::RenderFrame() { return renderer_.Render(BuildScene()); }

void CanvasView::paintEvent(QPaintEvent*)
{
    if (!host_.FSkImage)
        return;
    QPainter painter(this);
    try {
        const QImage& frame = RenderFrame();
        painter.drawImage(QRectF(rect()), frame, QRectF(frame.rect()));
    } catch (const std::bad_alloc&) {
        // No memory for the view: show the empty canvas rather than fail.
        renderer_.Clear();
        painter.fillRect(rect(), QColor::fromRgba(background_));
    }

    const QRectF canvas(geo_.CanvasRect().topLeft() - geo_.Scroll, geo_.Canvas);
    if (FSplitView && FSplitter->isVisible() && !(FRightPreview && host_.FSkSourceImage)) {
        // The divider's soft shadow on the pictures beside it.
        const QRect bar = FSplitter->geometry();
        painter.fillRect(bar.adjusted(-3, 0, 3, 0), QColor(0, 0, 0, 28));
        painter.fillRect(bar.adjusted(-1, 0, 1, 0), QColor(0, 0, 0, 40));
    }
    if (FRightPreview && host_.FSkSourceImage)
        return;
    if (!tools_.empty()) {
        QPainterPath clip;
        clip.addRoundedRect(canvas, kCanvasCornerRadius, kCanvasCornerRadius);
        painter.setClipPath(clip);
        const QPointF origin = geo_.ImageOrigin() - geo_.Scroll;
        for (CanvasTool* tool : tools_)
            tool->Paint(painter, origin, geo_.FZoomFactor);
    }
}

} // namespace pv
