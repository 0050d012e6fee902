#include "workspace/canvas/CanvasGeometry.h"

#include "platform/system/Numbers.h"

#include <algorithm>
#include <cmath>

namespace pv {

float ClampZoom(float zoom) { return std::clamp(zoom, kMinZoom, kMaxZoom); }

float WheelZoomStep(float zoom)
{
    if (zoom < 0.5f)
        return 1.03f;
    if (zoom < 1.5f)
        return 1.08f;
    return 1.12f;
}

float WheelZoom(float zoom, int delta)
{
    const float step = WheelZoomStep(zoom);
    float next = ClampZoom(delta < 1 ? zoom / step : zoom * step);
    // The steps are not powers of each other, so without this 100 % could
    // only be reached by the button.
    if (next > 0.995f && next < 1.005f)
        next = 1.0f;
    return next;
}

float ButtonZoom(float zoom, bool zoomIn)
{
    return ClampZoom(zoomIn ? zoom * kButtonZoomStep : zoom / kButtonZoomStep);
}

QString ZoomLabelText(float zoom) { return QString::number(Round(zoom * 100.0f)) + QLatin1Char('%'); }

QRectF CanvasGeometry::ImageScreenRect() const
{
    if (!HasPicture())
        return {};
    const float sw = float(Picture.width()) * FZoomFactor;
    const float sh = float(Picture.height()) * FZoomFactor;
    const bool sizeChanged = Picture.width() != FLayoutImgW || Picture.height() != FLayoutImgH;
    double left = FPanOffset.x();
    double top = FPanOffset.y();
    if (sw <= Viewport.width() || sizeChanged)
        left = Scroll.x() + (Viewport.width() - sw) / 2;
    if (sh <= Viewport.height() || sizeChanged)
        top = Scroll.y() + (Viewport.height() - sh) / 2;
    return {left, top, double(sw), double(sh)};
}

QPointF CanvasGeometry::ImageOrigin() const { return HasPicture() ? ImageScreenRect().topLeft() : FPanOffset; }

QRectF CanvasGeometry::SourceScreenRect() const
{
    const QRectF r = ImageScreenRect();
    if (!HasSource() || r.isEmpty())
        return r;
    const double sw = float(Source.width()) * FZoomFactor;
    const double sh = float(Source.height()) * FZoomFactor;
    return {r.center().x() - sw / 2, r.center().y() - sh / 2, sw, sh};
}

void CanvasGeometry::UpdatePaintBoxSize()
{
    if (!HasPicture())
        return;
    const double sw = std::floor(float(Picture.width()) * FZoomFactor);
    const double sh = std::floor(float(Picture.height()) * FZoomFactor);
    Canvas = QSizeF(std::max(sw, Viewport.width()), std::max(sh, Viewport.height()));
    if (Viewport.width() >= sw && Viewport.height() >= sh)
        Scroll = QPointF(0, 0);
}

void CanvasGeometry::CalculateBestFitAndCenter()
{
    if (!HasPicture())
        return;
    const float w = float(Picture.width()), h = float(Picture.height());
    FZoomFactor = ClampZoom(std::min(float(Viewport.width()) / w, float(Viewport.height()) / h));
    FPanOffset = QPointF((Viewport.width() - w * FZoomFactor) / 2, (Viewport.height() - h * FZoomFactor) / 2);
    FLayoutImgW = Picture.width();
    FLayoutImgH = Picture.height();
    UpdatePaintBoxSize();
}

void CanvasGeometry::CenterImageInPaintBox()
{
    if (!HasPicture())
        return;
    // The canvas first takes the size of this picture: a rotated or undone
    // picture would otherwise be centred in the canvas of the one before.
    UpdatePaintBoxSize();
    const float sw = float(Picture.width()) * FZoomFactor;
    const float sh = float(Picture.height()) * FZoomFactor;
    FPanOffset = QPointF((Canvas.width() - sw) / 2, (Canvas.height() - sh) / 2);
    FLayoutImgW = Picture.width();
    FLayoutImgH = Picture.height();
}

void CanvasGeometry::FullSizeAndCenter()
{
    if (!HasPicture())
        return;
    FZoomFactor = 1.0f;
    FPanOffset = QPointF((Viewport.width() - Picture.width()) / 2, (Viewport.height() - Picture.height()) / 2);
    FLayoutImgW = Picture.width();
    FLayoutImgH = Picture.height();
    UpdatePaintBoxSize();
}

void CanvasGeometry::ZoomAbout(QPointF m, float newZoom)
{
    const QPointF p = (m - FPanOffset) / double(FZoomFactor);
    FZoomFactor = newZoom;
    FPanOffset = m - p * double(newZoom);
}

void CanvasGeometry::ZoomStep(bool zoomIn)
{
    // About what the user sees: the middle of the whole canvas lies far off
    // screen once the picture outgrows the viewport.
    ZoomAbout(ViewportRect().center(), ButtonZoom(FZoomFactor, zoomIn));
}

void CanvasGeometry::Pan(QPointF delta, bool splitView)
{
    FPanOffset += delta;
    if (splitView)
        FDividerX += float(delta.x());
}

QRectF CanvasGeometry::DividerTrack() const
{
    const QRectF track = ImageScreenRect().intersected(ViewportRect());
    return track.isEmpty() ? QRectF() : track;
}

float CanvasGeometry::CaptureDividerFrac() const
{
    const QRectF r = ImageScreenRect();
    if (!(r.width() > 0))
        return 0.5f;
    return std::clamp(float((FDividerX - r.left()) / r.width()), 0.0f, 1.0f);
}

void CanvasGeometry::RestoreDividerFrac(float frac)
{
    const QRectF r = ImageScreenRect();
    if (r.width() > 0)
        FDividerX = float(r.left() + frac * r.width());
}

void CanvasGeometry::CenterDivider()
{
    const QRectF r = ImageScreenRect();
    if (!r.isEmpty())
        FDividerX = float(r.center().x());
}

QRectF CanvasGeometry::UpdateDivider(bool splitView, float dividerWidth)
{
    if (!HasPicture() || !splitView)
        return {};
    const QRectF track = DividerTrack();
    if (track.isEmpty())
        return {};
    FDividerX = std::clamp(FDividerX, float(track.left()), float(track.right()));
    return {FDividerX - dividerWidth / 2.0, track.top(), double(dividerWidth), track.height()};
}

} // namespace pv
