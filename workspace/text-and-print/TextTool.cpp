#include "workspace/text-and-print/TextTool.h"

#include "platform/graphics/SkCanvas.h"
#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/DesignColours.h"
#include "scripts/PictureCanvas.h"
#include "scripts/ScriptImageOps.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace pv {

namespace {

constexpr TAlphaColor kHandleBlue = kAccentTextHandle;
constexpr float kShadowOffset = 5, kShadowBlur = 3;
constexpr TAlphaColor kShadowColour = kShadowText;
// The watermark stays at least this wide (picture pixels).
constexpr float kMinWatermarkWidth = 12;

QPen DashedOutline()
{
    // Dash 8 and gap 4 pixels at a 2-pixel width (Qt counts in pen widths).
    QPen pen(QColor::fromRgba(kHandleBlue), 2);
    pen.setDashPattern({4, 2});
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void DrawHandles(QPainter& p, const QRectF& box)
{
    p.setPen(DashedOutline());
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kHandleBlue));
    for (const QPointF c : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
        p.drawEllipse(c, 4, 4);
}

// A soft shadow under a shape: the shape offset and widened a little, three
// faint layers deep.
void DrawSoftShadow(QPainter& p, const QPainterPath& shape, QPointF offset)
{
    const QPainterPath moved = shape.translated(offset);
    for (int i = 3; i >= 1; --i) {
        const QColor c(0, 0, 0, 0xA0 / 8);
        p.setPen(QPen(c, 2.0 * i));
        p.setBrush(c);
        p.drawPath(moved);
    }
}

} // namespace

// ------------------------------------------------------------------ text drawing

SkFont TextToolFont(const TTextLook& look, float scale)
{
    return MakeStyledFont(ResolveTypeface(look.family, look.style), look.size * scale, look.style);
}

TTextMetrics MeasureToolText(const TTextLook& look, float scale)
{
    const SkFont font = TextToolFont(look, scale);
    const SkFontMetrics fm = font.getMetrics();
    return {font.measureText(look.text), fm.fAscent, fm.fDescent};
}

TTextShadow TextToolShadow(float scale) { return {kShadowOffset * scale, kShadowBlur * scale, kShadowColour}; }

void DrawToolText(SkCanvas& canvas, const TTextLook& look, float x, float y, float scale)
{
    if (look.text.isEmpty())
        return;
    std::optional<TTextShadow> shadow;
    if (look.shadow)
        shadow = TextToolShadow(scale);
    canvas.drawSimpleText(look.text, x, y, TextToolFont(look, scale), TextPaint(look.colour, shadow));
}

// ------------------------------------------------------------------ handles

int CornerHandleAt(const QRectF& box, QPointF p)
{
    const QPointF corners[] = {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()};
    for (int i = 0; i < 4; ++i)
        if (std::hypot(p.x() - corners[i].x(), p.y() - corners[i].y()) < kHandleReach)
            return i + 1;
    return 0;
}

float HandleDragAmount(int handle, QPointF d)
{
    switch (handle) {
    case 1:
        return float(-(d.x() + d.y()) / 2);
    case 2:
        return float((d.x() - d.y()) / 2);
    case 3:
        return float((d.y() - d.x()) / 2);
    case 4:
        return float((d.x() + d.y()) / 2);
    default:
        return 0;
    }
}

float ResizedTextSize(float startSize, int handle, QPointF delta, float zoom)
{
    if (zoom <= 0)
        return std::clamp(startSize, kMinTextSize, kMaxTextSize);
    return std::clamp(startSize + HandleDragAmount(handle, delta) * 0.3f / zoom, kMinTextSize, kMaxTextSize);
}

QPointF TextResizeAnchor(int handle, QPointF pos, const TTextMetrics& m)
{
    switch (handle) {
    case 1:
        return {pos.x() + m.width, pos.y() + m.descent};
    case 2:
        return {pos.x(), pos.y() + m.descent};
    case 3:
        return {pos.x() + m.width, pos.y() + m.ascent};
    default:
        return {pos.x(), pos.y() + m.ascent};
    }
}

QPointF TextPosForAnchor(int handle, QPointF anchor, const TTextMetrics& m)
{
    switch (handle) {
    case 1:
        return {anchor.x() - m.width, anchor.y() - m.descent};
    case 2:
        return {anchor.x(), anchor.y() - m.descent};
    case 3:
        return {anchor.x() - m.width, anchor.y() - m.ascent};
    default:
        return {anchor.x(), anchor.y() - m.ascent};
    }
}

float InitialWatermarkScale(int resultWidth, int watermarkWidth)
{
    if (watermarkWidth <= 0)
        return 1;
    return std::min(1.0f, float(resultWidth) * 0.25f / float(watermarkWidth));
}

float ResizedWatermarkScale(float startScale, int handle, QPointF delta, float zoom, int watermarkWidth,
                            int resultWidth)
{
    if (watermarkWidth <= 0 || zoom <= 0)
        return startScale;
    const float w = float(watermarkWidth);
    float scale = startScale + HandleDragAmount(handle, delta) * 2 / zoom / w;
    if (w * scale < kMinWatermarkWidth)
        scale = kMinWatermarkWidth / w;
    if (resultWidth > 0 && w * scale > 2.0f * float(resultWidth))
        scale = 2.0f * float(resultWidth) / w;
    return scale;
}

QPointF WatermarkResizeAnchor(int handle, QPointF pos, QSizeF size)
{
    switch (handle) {
    case 1:
        return pos + QPointF(size.width(), size.height());
    case 2:
        return pos + QPointF(0, size.height());
    case 3:
        return pos + QPointF(size.width(), 0);
    default:
        return pos;
    }
}

QPointF WatermarkPosForAnchor(int handle, QPointF anchor, QSizeF size)
{
    switch (handle) {
    case 1:
        return anchor - QPointF(size.width(), size.height());
    case 2:
        return anchor - QPointF(0, size.height());
    case 3:
        return anchor - QPointF(size.width(), 0);
    default:
        return anchor;
    }
}

QRectF WatermarkAlphaBarRect(const QRectF& r, const QRectF& viewport)
{
    const double w = std::min(std::max(r.width(), 190.0), 300.0), h = 30;
    const double x = std::max(std::min(r.center().x() - w / 2, viewport.right() - kAlphaBarMargin - w),
                              viewport.left() + kAlphaBarMargin);
    double top = r.bottom() + 10;
    if (top + h > viewport.bottom() - kAlphaBarMargin)
        top = r.top() - 10 - h;
    top = std::max(top, viewport.top() + kAlphaBarMargin);
    return {x, top, w, h};
}

QRectF WatermarkAlphaTrackRect(const QRectF& bar)
{
    return {bar.left() + 9, bar.center().y() - 6, std::max(0.0, bar.width() - 18), 12};
}

float WatermarkAlphaFromX(const QRectF& track, double x, float current)
{
    if (track.width() <= 0)
        return current;
    return float(std::clamp((x - track.left()) / track.width(), 0.0, 1.0));
}

// ------------------------------------------------------------------ tool

TTextTool::TTextTool(CanvasView* view) : view_(view) { view_->AddTool(this); }

TTextTool::~TTextTool()
{
    if (view_)
        view_->RemoveTool(this);
}

TTextLook TTextTool::Look() const
{
    return {FTextString, FTextFontName, FTextFontSize, FTextFontStyle, FTextColor, FShadowChecked};
}

QPointF TTextTool::Origin() const { return view_->ImageOrigin() - view_->Geometry().Scroll; }

float TTextTool::Zoom() const { return view_->Geometry().FZoomFactor; }

QPointF TTextTool::ToPicture(QPointF screen) const
{
    const float z = Zoom();
    return z > 0 ? (screen - Origin()) / z : screen;
}

QPointF TTextTool::VisibleCentre() const
{
    const CanvasGeometry& g = view_->Geometry();
    if (g.FZoomFactor <= 0)
        return {g.Picture.width() / 2.0, g.Picture.height() / 2.0};
    const QRectF viewport = g.ViewportRect();
    return (viewport.center() - g.ImageOrigin()) / g.FZoomFactor;
}

void TTextTool::Redraw() { view_->update(); }

void TTextTool::ActivateText()
{
    if (FTextFontName.trimmed().isEmpty())
        FTextFontName = QStringLiteral("Arial");
    if (FTextString.trimmed().isEmpty())
        return;
    FTextToolActive = true;
    if (!view_->Geometry().HasPicture() || Zoom() <= 0) {
        FTextPos = {100, 100};
    } else {
        const TTextMetrics m = MeasureToolText(Look(), 1);
        const QPointF c = VisibleCentre();
        FTextPos = {c.x() - m.width / 2, c.y() - (m.ascent + m.descent) / 2};
    }
    Redraw();
}

void TTextTool::PlaceWatermark(const ISkImage& watermark)
{
    if (!watermark)
        return;
    FWmImage = watermark;
    FWmScale = InitialWatermarkScale(view_->Geometry().Picture.width(), watermark->width());
    const QPointF c = VisibleCentre();
    FWmPos = c - QPointF(watermark->width() * FWmScale / 2, watermark->height() * FWmScale / 2);
    FWmAlpha = 1;
    FWmActive = true;
    Redraw();
}

void TTextTool::EndTools()
{
    FTextToolActive = false;
    FWmActive = false;
    FWmImage = nullptr;
    FTextDragging = FTextResizing = FWmDragging = FWmResizing = FWmAlphaDragging = false;
    FTextResizeHandle = FWmResizeHandle = 0;
    Redraw();
}

ISkImage TTextTool::Burn(const ISkImage& result) const
{
    if (!result)
        return nullptr;
    TPictureCanvas out = TPictureCanvas::CopyOf(result);
    if (!out.valid())
        return nullptr;
    if (WatermarkShown()) {
        const SkRect rect = SkRect::MakeXYWH(float(FWmPos.x()), float(FWmPos.y()), FWmImage->width() * FWmScale,
                                             FWmImage->height() * FWmScale);
        pv::PaintWatermark(*out.canvas(), FWmImage, rect, FWmAlpha);
    }
    if (FTextToolActive)
        DrawToolText(*out.canvas(), Look(), float(FTextPos.x()), float(FTextPos.y()), 1);
    return out.finish();
}

ISkImage TTextTool::WatermarkForWidth(int width)
{
    if (!FWmImage)
        return nullptr;
    if (FWmScaled && FWmScaledSrc == FWmImage && FWmScaledW == width)
        return FWmScaled;
    FWmScaled = DownscaleByHalving(FWmImage, width);
    FWmScaledSrc = FWmImage;
    FWmScaledW = width;
    return FWmScaled;
}

QRectF TTextTool::TextScreenBox() const
{
    const float z = Zoom();
    const TTextMetrics m = MeasureToolText(Look(), z);
    const QPointF at = Origin() + FTextPos * z;
    return QRectF(QPointF(at.x() - 5, at.y() + m.ascent - 5), QPointF(at.x() + m.width + 5, at.y() + m.descent + 5));
}

QRectF TTextTool::WatermarkScreenRect() const
{
    if (!FWmImage)
        return {};
    const float z = Zoom();
    const QPointF o = Origin();
    return QRectF(o + FWmPos * z, QSizeF(FWmImage->width() * FWmScale * z, FWmImage->height() * FWmScale * z));
}

// ------------------------------------------------------------------ overlay

void TTextTool::Paint(QPainter& painter, QPointF, float)
{
    if (WatermarkShown())
        PaintWatermark(painter);
    if (TextShown())
        PaintText(painter);
}

void TTextTool::PaintWatermark(QPainter& p)
{
    const QRectF r = WatermarkScreenRect();
    if (r.width() < 0.5 || r.height() < 0.5)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (const ISkImage copy = WatermarkForWidth(int(std::nearbyint(r.width())))) {
        p.setOpacity(std::clamp(FWmAlpha, 0.0f, 1.0f));
        p.drawImage(r, copy->qimage(), QRectF(copy->qimage().rect()));
        p.setOpacity(1);
    }
    DrawHandles(p, r);

    // The opacity slider.
    const QRectF t = WatermarkAlphaTrackRect(WatermarkAlphaBarRect(r, QRectF(view_->rect())));
    QPainterPath track;
    track.addRoundedRect(t, 3, 3);
    DrawSoftShadow(p, track, {0, 2});
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(track);
    p.save();
    p.setClipPath(track);
    DrawCheckerboard(p, t, 6);
    QLinearGradient fade(t.topLeft(), t.topRight());
    fade.setColorAt(0, QColor::fromRgba(kPanelSideFaded));
    fade.setColorAt(1, QColor::fromRgba(kPanelSide));
    p.fillRect(t, fade);
    p.restore();
    const QPointF knob(t.left() + t.width() * std::clamp(FWmAlpha, 0.0f, 1.0f), t.center().y());
    QPainterPath circle;
    circle.addEllipse(knob, 7, 7);
    DrawSoftShadow(p, circle, {0, 2});
    p.setBrush(Qt::white);
    p.drawPath(circle);
    p.setPen(QPen(QColor::fromRgba(kHandleBlue), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(knob, 7, 7);
    p.restore();
}

void TTextTool::PaintText(QPainter& p)
{
    if (FTextFontName.trimmed().isEmpty())
        FTextFontName = QStringLiteral("Arial");
    if (FTextFontSize <= 0)
        FTextFontSize = 24;
    const float z = Zoom();
    const QRectF box = TextScreenBox();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(box, QColor::fromRgba(kOverlayScrollbar));

    // The text itself, drawn as the commit draws it, onto a raster of the
    // visible part of its box (the shadow's reach included).
    const double reach = (kShadowOffset + 3 * kShadowBlur) * z;
    const QRect area = box.adjusted(-reach, -reach, reach, reach).toAlignedRect().intersected(view_->rect());
    if (!area.isEmpty()) {
        QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
        if (!layer.isNull()) {
            layer.fill(Qt::transparent);
            {
                SkCanvas canvas(&layer);
                canvas.translate(float(-area.left()), float(-area.top()));
                const QPointF at = Origin() + FTextPos * z;
                DrawToolText(canvas, Look(), float(at.x()), float(at.y()), z);
            }
            p.drawImage(area.topLeft(), layer);
        }
    }
    DrawHandles(p, box);
    p.restore();
}

// ------------------------------------------------------------------ mouse

bool TTextTool::MousePress(QMouseEvent& e)
{
    const QPointF pos = e.position();
    if (TextShown()) {
        const QRectF box = TextScreenBox();
        if (const int handle = CornerHandleAt(box, pos)) {
            FTextResizing = true;
            FTextResizeHandle = handle;
            FTextStartSize = FTextFontSize;
            FTextStartMousePos = pos;
            FTextResizeAnchor = TextResizeAnchor(handle, FTextPos, MeasureToolText(Look(), 1));
            return true;
        }
        if (box.contains(pos)) {
            FTextDragging = true;
            FTextDragOffset = ToPicture(pos) - FTextPos;
            return true;
        }
    }
    if (WatermarkShown()) {
        const QRectF r = WatermarkScreenRect();
        const QRectF bar = WatermarkAlphaBarRect(r, QRectF(view_->rect()));
        if (bar.contains(pos)) {
            FWmAlphaDragging = true;
            FWmAlpha = WatermarkAlphaFromX(WatermarkAlphaTrackRect(bar), pos.x(), FWmAlpha);
            Redraw();
            return true;
        }
        if (const int handle = CornerHandleAt(r, pos)) {
            FWmResizing = true;
            FWmResizeHandle = handle;
            FWmStartScale = FWmScale;
            FWmStartMousePos = pos;
            FWmResizeAnchor = WatermarkResizeAnchor(
                handle, FWmPos, QSizeF(FWmImage->width() * FWmScale, FWmImage->height() * FWmScale));
            return true;
        }
        if (r.contains(pos)) {
            FWmDragging = true;
            FWmDragOffset = ToPicture(pos) - FWmPos;
            return true;
        }
    }
    return false;
}

CanvasTool::MoveResult TTextTool::MouseMove(QMouseEvent& e)
{
    const QPointF pos = e.position();
    if (TextShown() && FTextResizing) {
        FTextFontSize = ResizedTextSize(FTextStartSize, FTextResizeHandle, pos - FTextStartMousePos, Zoom());
        FTextPos = TextPosForAnchor(FTextResizeHandle, FTextResizeAnchor, MeasureToolText(Look(), 1));
        if (OnTextSizeChanged)
            OnTextSizeChanged(FTextFontSize);
        Redraw();
        return MoveResult::Drag;
    }
    if (TextShown() && FTextDragging) {
        FTextPos = ToPicture(pos) - FTextDragOffset;
        Redraw();
        return MoveResult::Drag;
    }
    if (WatermarkShown()) {
        if (FWmAlphaDragging) {
            FWmAlpha = WatermarkAlphaFromX(
                WatermarkAlphaTrackRect(WatermarkAlphaBarRect(WatermarkScreenRect(), QRectF(view_->rect()))), pos.x(),
                FWmAlpha);
            Redraw();
            return MoveResult::Drag;
        }
        if (FWmResizing) {
            FWmScale = ResizedWatermarkScale(FWmStartScale, FWmResizeHandle, pos - FWmStartMousePos, Zoom(),
                                             FWmImage->width(), view_->Geometry().Picture.width());
            FWmPos = WatermarkPosForAnchor(FWmResizeHandle, FWmResizeAnchor,
                                           QSizeF(FWmImage->width() * FWmScale, FWmImage->height() * FWmScale));
            Redraw();
            return MoveResult::Drag;
        }
        if (FWmDragging) {
            FWmPos = ToPicture(pos) - FWmDragOffset;
            Redraw();
            return MoveResult::Drag;
        }
    }
    // Hover: the cursor tells what a press would do.
    const auto cursorFor = [](int handle) {
        return handle == 1 || handle == 4 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    };
    if (TextShown()) {
        const QRectF box = TextScreenBox();
        if (const int handle = CornerHandleAt(box, pos)) {
            view_->setCursor(cursorFor(handle));
            return MoveResult::Hover;
        }
        if (box.contains(pos)) {
            view_->setCursor(Qt::PointingHandCursor);
            return MoveResult::Hover;
        }
    }
    if (WatermarkShown()) {
        const QRectF r = WatermarkScreenRect();
        const int handle = CornerHandleAt(r, pos);
        if (WatermarkAlphaBarRect(r, QRectF(view_->rect())).contains(pos) || (!handle && r.contains(pos))) {
            view_->setCursor(Qt::PointingHandCursor);
            return MoveResult::Hover;
        }
        if (handle) {
            view_->setCursor(cursorFor(handle));
            return MoveResult::Hover;
        }
    }
    return MoveResult::None;
}

void TTextTool::MouseRelease(QMouseEvent&)
{
    const bool was = FTextDragging || FTextResizing || FWmDragging || FWmResizing || FWmAlphaDragging;
    FTextResizing = FTextDragging = false;
    FTextResizeHandle = 0;
    FWmResizing = FWmDragging = FWmAlphaDragging = false;
    FWmResizeHandle = 0;
    if (was)
        view_->unsetCursor();
}

} // namespace pv
