#include "overlays/ManualBrush.h"

#include "engine/Effect.h"
#include "engine/MaskedApply.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/Label.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pv {

namespace {

inline uint32_t Div255(uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

// The magenta the stroke shows in ($C0FF00FF), premultiplied at a coverage.
inline uint32_t LiveColour(uint32_t coverage)
{
    const uint32_t a = Div255(coverage * 0xC0u);
    return a << 24 | a << 16 | a;
}

// Stamps a tip into a coverage raster at a point of its own pixel grid, the
// tip's distances measured in screen pixels (scale screen pixels per raster
// pixel). Rows of a large stamp run in parallel; each pixel depends only on
// itself, so any split gives the same raster.
SkIRect StampRaster(QImage& raster, QPointF centre, float size, float softness, float scale)
{
    if (raster.isNull() || scale <= 0)
        return {};
    const float S = float(std::max(2, Round(size) + 2));
    const float h = (S / scale) / 2;
    const float cx = float(centre.x()), cy = float(centre.y());
    if (cx < -h || cy < -h || cx > raster.width() + h || cy > raster.height() + h)
        return {};
    const float reach = size / 2 / scale + 1;
    SkIRect box = SkIRect::MakeLTRB(int(std::floor(cx - reach)), int(std::floor(cy - reach)),
                                    int(std::ceil(cx + reach)) + 1, int(std::ceil(cy + reach)) + 1);
    if (!box.intersect(SkIRect::MakeWH(raster.width(), raster.height())))
        return {};
    const int stride = int(raster.bytesPerLine());
    uchar* bits = raster.bits();
    const auto rows = [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uchar* row = bits + size_t(y) * size_t(stride);
            const float dy = (float(y) + 0.5f - cy) * scale;
            for (int x = box.left; x < box.right; ++x) {
                const float dx = (float(x) + 0.5f - cx) * scale;
                const float c = BrushTipCoverage(std::sqrt(dx * dx + dy * dy), size, softness);
                if (c <= 0)
                    continue;
                const uint32_t cov = uint32_t(c * 255.0f + 0.5f);
                row[x] = uchar(row[x] + Div255(cov * (255u - row[x])));
            }
        }
    };
    if (int64_t(box.width()) * box.height() > 65536)
        ParallelForRange(box.top, box.bottom, rows, 8);
    else
        rows(box.top, box.bottom);
    return box;
}

} // namespace

float BrushTipCoverage(float d, float size, float softness)
{
    const float r = size / 2;
    if (r <= 0)
        return 0;
    if (softness <= 0.01f)
        return std::clamp(r - d + 0.5f, 0.0f, 1.0f);
    if (d >= r)
        return 0;
    const float full = std::max(0.0f, 1.0f - softness) * r;
    if (d <= full)
        return 1;
    return (r - d) / (r - full);
}

std::vector<QPointF> StrokeStamps(QPointF last, QPointF to, float size)
{
    const QPointF delta = to - last;
    const double d = std::hypot(delta.x(), delta.y());
    const double spacing = std::max(1.0, 0.2 * size);
    if (d < spacing)
        return {};
    const int n = std::max(1, int(d / spacing));
    std::vector<QPointF> stamps;
    stamps.reserve(size_t(n));
    for (int i = 1; i < n; ++i)
        stamps.push_back(last + delta * (double(i) / n));
    stamps.push_back(to);
    return stamps;
}

SkIRect StampCoverage(QImage& mask, QPointF centre, float size, float softness, float zoom)
{
    return StampRaster(mask, centre, size, softness, zoom);
}

void MergeCoverage(QImage& into, const QImage& from)
{
    if (into.size() != from.size() || into.format() != QImage::Format_Alpha8 ||
        from.format() != QImage::Format_Alpha8)
        return;
    const int w = into.width();
    ParallelForRange(0, into.height(), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uchar* d = into.scanLine(y);
            const uchar* s = from.constScanLine(y);
            for (int x = 0; x < w; ++x)
                d[x] = uchar(d[x] + Div255(uint32_t(s[x]) * (255u - d[x])));
        }
    });
}

// ------------------------------------------------------------------ panel

TFrameManualBrush::TFrameManualBrush(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TFrameManualBrush"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);

    LayoutControls = new TFloatingPanel(this);
    LayoutControls->setObjectName(QStringLiteral("LayoutControls"));
    LayoutControls->setFillColour(kPanelRaised);
    LayoutControls->setRestingShadow({3, 2, 2, kShadowDeep});
    LayoutControls->resize(DpI(300), DpI(158));
    const char* names[] = {"TrackBarSize", "TrackBarSoftness", "TrackBarOpacity"};
    const char* captions[] = {"Size", "Softness", "Opacity"};
    for (int i = 0; i < 3; ++i) {
        auto* s = new TCaptionedSlider(LayoutControls);
        s->setObjectName(QString::fromLatin1(names[i]));
        s->caption()->setText(QString::fromLatin1(captions[i]));
        s->caption()->setFontColour(kTextBright);
        s->setGeometry(DpI(16), DpI(30 + 40 * i), DpI(300 - 32 - 10), DpI(44));
        sliders_[i] = s;
    }
    // The size runs 0..500: the slider's 0..100 times five.
    connect(sliders_[0], &TCaptionedSlider::tracking, this, [this](double v) {
        FBrushSize = float(v * 5);
        sliders_[0]->valueLabel()->setDisplayText(QString::number(Round(FBrushSize)));
        update(OutlineRect());
    });
    connect(sliders_[1], &TCaptionedSlider::tracking, this, [this](double v) {
        FBrushSoftness = float(v / 100);
        sliders_[1]->valueLabel()->setDisplayText(QString::number(Round(v)));
    });
    connect(sliders_[2], &TCaptionedSlider::tracking, this, [this](double v) {
        FBrushOpacity = float(v / 100);
        sliders_[2]->valueLabel()->setDisplayText(QString::number(Round(v)));
    });
    connect(LayoutControls, &TFloatingPanel::closeClicked, this, [this] {
        LayoutControls->show(); // the panel goes as a whole, after this click
        if (OnClose)
            QMetaObject::invokeMethod(
                this, [this] { OnClose(); }, Qt::QueuedConnection);
    });
    connect(LayoutControls, &TFloatingPanel::moved, this, [this] { FControlsPos = LayoutControls->pos(); });
    CursorTimer.setInterval(40);
    connect(&CursorTimer, &QTimer::timeout, this, [this] { CursorTimerTimer(); });
    SetSliders(100, 50, 100);
}

TFrameManualBrush::~TFrameManualBrush() = default;

void TFrameManualBrush::SetSliders(float size, float softness, float opacity)
{
    sliders_[0]->setValue(size / 5);
    sliders_[1]->setValue(softness);
    sliders_[2]->setValue(opacity);
    // setValue raises nothing when the value is unchanged.
    FBrushSize = float(sliders_[0]->value() * 5);
    FBrushSoftness = float(sliders_[1]->value() / 100);
    FBrushOpacity = float(sliders_[2]->value() / 100);
    sliders_[0]->valueLabel()->setDisplayText(QString::number(Round(FBrushSize)));
    sliders_[1]->valueLabel()->setDisplayText(QString::number(Round(sliders_[1]->value())));
    sliders_[2]->valueLabel()->setDisplayText(QString::number(Round(sliders_[2]->value())));
}

float TFrameManualBrush::SoftnessValue() const { return float(sliders_[1]->value()); }

float TFrameManualBrush::OpacityValue() const { return float(sliders_[2]->value()); }

void TFrameManualBrush::Initialize(int w, int h, float zoom, QPointF origin, QRectF paintBox, QPointF controlsPos)
{
    FZoomFactor = zoom;
    FOrigin = origin;
    FPaintBoxRect = paintBox;
    FControlsPos = controlsPos;
    FImgW = w;
    FImgH = h;
    FMaskSurface = QImage(w, h, QImage::Format_Alpha8);
    FLiveSurface = QImage(w, h, QImage::Format_Alpha8);
    if (FMaskSurface.isNull() || FLiveSurface.isNull())
        throw std::bad_alloc();
    FMaskSurface.fill(0);
    FLiveSurface.fill(0);
    FFrozenMask = QImage();
    FHasLastStamp = false;
    FIsDrawing = false;
    RebuildLiveScreen();
    RepositionControls();
    update();
}

void TFrameManualBrush::UpdatePan(float zoom, QPointF origin, QRectF paintBox)
{
    FZoomFactor = zoom;
    FOrigin = origin;
    FPaintBoxRect = paintBox;
    RebuildLiveScreen();
    update();
}

void TFrameManualBrush::ResetMask()
{
    FApplying = false;
    if (!FMaskSurface.isNull())
        FMaskSurface.fill(0);
    if (!FLiveSurface.isNull())
        FLiveSurface.fill(0);
    FFrozenMask = QImage();
    FHasLastStamp = false;
    RebuildLiveScreen();
    update();
}

void TFrameManualBrush::RepositionControls()
{
    QPoint at = FControlsPos.toPoint();
    if (FControlsPos.x() <= 0 && FControlsPos.y() <= 0)
        at = QPoint(DpI(20), height() - LayoutControls->height() - DpI(20));
    at.setX(std::clamp(at.x(), 0, std::max(0, width() - LayoutControls->width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, height() - LayoutControls->height())));
    LayoutControls->move(at);
    LayoutControls->raise();
}

void TFrameManualBrush::resizeEvent(QResizeEvent*)
{
    RebuildLiveScreen();
    RepositionControls();
}

SkIRect TFrameManualBrush::GetMaskBounds() const { return MaskCoverageBounds(FFrozenMask); }

QPointF TFrameManualBrush::ToPicture(QPointF p) const { return (p - FOrigin) / FZoomFactor; }

void TFrameManualBrush::StampAt(QPointF at)
{
    if (FLiveSurface.isNull())
        return;
    if (StampRaster(FLiveSurface, ToPicture(at), FBrushSize, FBrushSoftness, FZoomFactor).isEmpty())
        return;
    // The same tip on the screen raster, where the picture is.
    const QRectF picture(FOrigin, QSizeF(FImgW * FZoomFactor, FImgH * FZoomFactor));
    const QRect clip = picture.intersected(FPaintBoxRect).toAlignedRect().intersected(FLiveScreen.rect());
    const float r = FBrushSize / 2 + 2;
    const QRect box = QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r).toAlignedRect().intersected(clip);
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(FLiveScreen.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x) {
            const float dx = float(x) + 0.5f - float(at.x()), dy = float(y) + 0.5f - float(at.y());
            const float c = BrushTipCoverage(std::sqrt(dx * dx + dy * dy), FBrushSize, FBrushSoftness);
            if (c <= 0)
                continue;
            const uint32_t old = (row[x] >> 24) * 255u / 0xC0u;
            const uint32_t cov = std::min(255u, old + Div255(uint32_t(c * 255.0f + 0.5f) * (255u - std::min(255u, old))));
            row[x] = LiveColour(cov);
        }
    }
    update(box.adjusted(-1, -1, 1, 1));
}

void TFrameManualBrush::RebuildLiveScreen()
{
    if (size().isEmpty())
        return;
    if (FLiveScreen.size() != size())
        FLiveScreen = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    FLiveScreen.fill(Qt::transparent);
    if (FLiveSurface.isNull() || !FIsDrawing || FZoomFactor <= 0)
        return;
    // The stroke so far, nearest sampling, where the picture is on screen.
    const QRectF picture(FOrigin, QSizeF(FImgW * FZoomFactor, FImgH * FZoomFactor));
    const QRect area = picture.intersected(FPaintBoxRect).toAlignedRect().intersected(FLiveScreen.rect());
    ParallelForRange(area.top(), area.bottom() + 1, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const int py = std::clamp(int((y + 0.5 - FOrigin.y()) / FZoomFactor), 0, FImgH - 1);
            const uchar* m = FLiveSurface.constScanLine(py);
            auto* row = reinterpret_cast<uint32_t*>(FLiveScreen.scanLine(y));
            for (int x = area.left(); x <= area.right(); ++x) {
                const int px = std::clamp(int((x + 0.5 - FOrigin.x()) / FZoomFactor), 0, FImgW - 1);
                if (m[px])
                    row[x] = LiveColour(m[px]);
            }
        }
    });
}

void TFrameManualBrush::BeginStroke(QPointF at)
{
    FIsDrawing = true;
    if (!FLiveSurface.isNull())
        FLiveSurface.fill(0);
    RebuildLiveScreen();
    FHasLastStamp = false;
    StampAt(at);
    FLastStamp = at;
    FHasLastStamp = true;
}

void TFrameManualBrush::StrokeTo(QPointF at)
{
    if (!FHasLastStamp) {
        StampAt(at);
        FLastStamp = at;
        FHasLastStamp = true;
        return;
    }
    const std::vector<QPointF> stamps = StrokeStamps(FLastStamp, at, FBrushSize);
    if (stamps.empty())
        return;
    for (const QPointF& p : stamps)
        StampAt(p);
    FLastStamp = at;
}

void TFrameManualBrush::CommitStroke()
{
    if (FMaskSurface.isNull() || FLiveSurface.isNull())
        return;
    MergeCoverage(FMaskSurface, FLiveSurface);
    FFrozenMask = FMaskSurface.copy();
    FLiveSurface.fill(0);
    FHasLastStamp = false;
    FIsDrawing = false;
    RebuildLiveScreen();
    update();
}

void TFrameManualBrush::EndStroke(QPointF at)
{
    if (!FIsDrawing || FApplying)
        return;
    StrokeTo(at);
    CommitStroke();
    FApplying = true;
    if (OnStrokeFinished)
        OnStrokeFinished();
}

QRect TFrameManualBrush::OutlineRect() const
{
    const double r = FBrushSize / 2 + 4;
    return QRectF(FMouse.x() - r, FMouse.y() - r, 2 * r, 2 * r).toAlignedRect();
}

void TFrameManualBrush::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.setClipRect(FPaintBoxRect.toAlignedRect().intersected(e->rect()));
    if (FIsDrawing && !FLiveScreen.isNull())
        p.drawImage(e->rect(), FLiveScreen, e->rect());
    if (FMouseInCanvas && !LayoutControls->isDragging() && !FCtrlHeld) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 1.5));
        p.drawEllipse(FMouse, FBrushSize / 2.0, FBrushSize / 2.0);
        p.setPen(QPen(QColor::fromRgba(kControlBrushRing), 1));
        p.drawEllipse(FMouse, FBrushSize / 2.0 + 1.5, FBrushSize / 2.0 + 1.5);
    }
}

void TFrameManualBrush::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton && OnRightButton)
        OnRightButton(true);
    if (FApplying || e->button() != Qt::LeftButton)
        return;
    if (e->modifiers() & Qt::ControlModifier) {
        FCtrlPanning = true;
        FCtrlPanLastPos = e->position();
        setCursor(Qt::SizeAllCursor);
        return;
    }
    BeginStroke(e->position());
}

void TFrameManualBrush::mouseMoveEvent(QMouseEvent* e)
{
    const QRect before = OutlineRect();
    FMouse = e->position();
    FCtrlHeld = e->modifiers() & Qt::ControlModifier;
    FMouseInCanvas = FPaintBoxRect.contains(FMouse);
    if (FCtrlPanning) {
        const QPointF delta = e->position() - FCtrlPanLastPos;
        FCtrlPanLastPos = e->position();
        if (OnPan)
            OnPan(delta);
        return;
    }
    setCursor(FCtrlHeld ? Qt::SizeAllCursor : Qt::CrossCursor);
    if (FIsDrawing)
        StrokeTo(e->position());
    update(before);
    update(OutlineRect());
}

void TFrameManualBrush::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        if (OnRightButton)
            OnRightButton(false);
        return;
    }
    if (FCtrlPanning) {
        FCtrlPanning = false;
        setCursor(Qt::CrossCursor);
    }
    if (e->button() == Qt::LeftButton && FIsDrawing)
        EndStroke(e->position());
}

void TFrameManualBrush::wheelEvent(QWheelEvent* e)
{
    const QPoint d = e->angleDelta();
    const int notch = d.y() != 0 ? d.y() : d.x();
    if (notch != 0 && OnWheel)
        OnWheel(notch);
    e->accept();
}

void TFrameManualBrush::enterEvent(QEnterEvent* e)
{
    FMouseInCanvas = true;
    CursorTimer.start();
    QWidget::enterEvent(e);
}

void TFrameManualBrush::leaveEvent(QEvent* e)
{
    FMouseInCanvas = false;
    FCtrlHeld = false;
    if (FCtrlPanning) {
        FCtrlPanning = false;
        setCursor(Qt::CrossCursor);
    }
    CursorTimer.stop();
    // A stroke left unfinished stays in the mask; the next one applies it too.
    if (FIsDrawing)
        CommitStroke();
    update();
    QWidget::leaveEvent(e);
}

void TFrameManualBrush::CursorTimerTimer()
{
    const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    if (ctrl != FCtrlHeld) {
        FCtrlHeld = ctrl;
        if (!FCtrlPanning)
            setCursor(ctrl ? Qt::SizeAllCursor : Qt::CrossCursor);
        update(OutlineRect());
    }
}

} // namespace pv
