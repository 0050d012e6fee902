#include "overlays/FramePreview.h"

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkPaint.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/DesignColours.h"

#include <algorithm>
#include <cmath>

namespace pv {
namespace {

// The frame's pixels in a format whose top byte is alpha; null when it cannot be made.
QImage AlphaReadable(const QImage& frame)
{
    if (frame.format() == QImage::Format_ARGB32_Premultiplied || frame.format() == QImage::Format_ARGB32 ||
        frame.format() == QImage::Format_RGB32)
        return frame;
    return frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool Opaque(const QImage& pixels, int x, int y)
{
    return int(reinterpret_cast<const uint32_t*>(pixels.constScanLine(y))[x] >> 24) > kFramePanelOpaqueAlpha;
}

} // namespace

bool IsBorderlessFrame(const QImage& frame)
{
    if (frame.isNull() || frame.width() <= 0 || frame.height() <= 0)
        return false;
    const QImage pixels = AlphaReadable(frame);
    if (pixels.isNull())
        return false;
    const int w = pixels.width(), h = pixels.height();
    for (int x = 0; x < w; ++x)
        if (Opaque(pixels, x, h / 2))
            return false;
    for (int y = 0; y < h; ++y)
        if (Opaque(pixels, w / 2, y))
            return false;
    return true;
}

QRectF DetectAperture(const QImage& frame)
{
    if (frame.isNull() || frame.width() <= 0 || frame.height() <= 0)
        return QRectF(0, 0, 1, 1);
    const QImage pixels = AlphaReadable(frame);
    if (pixels.isNull())
        return QRectF(0, 0, 1, 1);
    const int w = pixels.width(), h = pixels.height(), cx = w / 2, cy = h / 2;
    int left = 0, right = w, top = 0, bottom = h;
    for (int x = cx; x >= 0; --x)
        if (Opaque(pixels, x, cy)) {
            left = x;
            break;
        }
    for (int x = cx; x < w; ++x)
        if (Opaque(pixels, x, cy)) {
            right = x;
            break;
        }
    for (int y = cy; y >= 0; --y)
        if (Opaque(pixels, cx, y)) {
            top = y;
            break;
        }
    for (int y = cy; y < h; ++y)
        if (Opaque(pixels, cx, y)) {
            bottom = y;
            break;
        }
    return QRectF(QPointF(double(left) / w, double(top) / h), QPointF(double(right) / w, double(bottom) / h));
}

bool HasFrameOpening(const QImage& frame)
{
    const QRectF a = DetectAperture(frame);
    return a.right() > a.left() && a.bottom() > a.top();
}

QImage MakeScaledThumb(const QImage& picture, int maxSize)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return {};
    const double a = double(maxSize) / std::max(picture.width(), picture.height());
    const ISkImage source = SkImage::MakeFromQImage(picture);
    if (a >= 1 || !source)
        return source ? source->qimage() : QImage();
    const int w = std::max(1, Round(picture.width() * a)), h = std::max(1, Round(picture.height() * a));
    const ISkSurface surface = SkSurface::MakeRaster(w, h);
    if (!surface)
        return {};
    SkCanvas* canvas = surface->getCanvas();
    canvas->clear(0);
    canvas->drawImageRect(source, SkRect::MakeWH(float(w), float(h)), SkSamplingOptions::Mitchell());
    return surface->makeImageSnapshot()->qimage();
}

QImage MakeBorderlessFrameThumbnail(TAlphaColor colour, double margin, QSize pictureSize)
{
    constexpr float kSide = 240;
    const double pw = pictureSize.width() > 0 ? pictureSize.width() : 1;
    const double ph = pictureSize.height() > 0 ? pictureSize.height() : 1;
    const double fx = margin > 0 ? margin / (pw + 2 * margin) : 0;
    const double fy = margin > 0 ? margin / (ph + 2 * margin) : 0;
    const ISkSurface surface = SkSurface::MakeRaster(int(kSide), int(kSide));
    if (!surface)
        return {};
    SkCanvas* canvas = surface->getCanvas();
    canvas->clear(0);
    canvas->drawRect(SkRect::MakeWH(kSide, kSide), SkPaint(colour));
    const SkRect inner = SkRect::MakeLTRB(float(fx * kSide), float(fy * kSide), float(kSide - fx * kSide),
                                          float(kSide - fy * kSide));
    if (!inner.isEmpty()) {
        SkPaint clear(0);
        clear.setBlendMode(SkBlendMode::kClear);
        canvas->drawRect(inner, clear);
    }
    SkPaint outline(kBorderFramePreview);
    outline.setStroke(true);
    outline.setStrokeWidth(2);
    outline.setStrokeJoin(SkStrokeJoin::kMiter);
    canvas->drawRect(SkRect::MakeLTRB(1, 1, kSide - 1, kSide - 1), outline);
    if (!inner.isEmpty())
        canvas->drawRect(inner, outline);
    return surface->makeImageSnapshot()->qimage();
}

TFramePreviewLayout ComputeFramePreviewLayout(const QRectF& aperture, QSize frame, QSize picture, double margin,
                                              const QRectF& box)
{
    TFramePreviewLayout l;
    const int fw = frame.width(), fh = frame.height();
    const double pw = picture.width() > 0 && picture.height() > 0 ? picture.width() : 1000;
    const double ph = picture.width() > 0 && picture.height() > 0 ? picture.height() : 1000;
    l.hole = SkIRect::MakeLTRB(Round(aperture.left() * fw), Round(aperture.top() * fh), Round(aperture.right() * fw),
                               Round(aperture.bottom() * fh));
    const double L = l.hole.left, T = l.hole.top, R = fw - l.hole.right, B = fh - l.hole.bottom;
    l.totalWidth = pw + 2 * margin + L + R;
    l.totalHeight = ph + 2 * margin + T + B;
    if (l.totalWidth > 0 && l.totalHeight > 0)
        l.scale = std::min(box.width() / l.totalWidth, box.height() / l.totalHeight);
    l.origin = QPointF(box.left() + (box.width() - l.totalWidth * l.scale) / 2,
                       box.top() + (box.height() - l.totalHeight * l.scale) / 2);
    l.marginRect = QRectF(QPointF(L, T), QPointF(L + 2 * margin + pw, T + 2 * margin + ph));
    l.pictureRect = QRectF(QPointF(L + margin, T + margin), QPointF(L + margin + pw, T + margin + ph));
    return l;
}

QImage RenderFramePreview(QSize box, const ISkImage& frame, const QRectF& aperture, const ISkImage& picture,
                          double margin, TAlphaColor colour)
{
    const ISkSurface surface = SkSurface::MakeRaster(std::max(1, box.width()), std::max(1, box.height()));
    if (!surface)
        return {};
    SkCanvas* canvas = surface->getCanvas();
    canvas->clear(kBackgroundFramePreview);
    if (frame && frame->width() > 0 && frame->height() > 0) {
        const QSize pictureSize = picture ? QSize(picture->width(), picture->height()) : QSize();
        const TFramePreviewLayout l =
            ComputeFramePreviewLayout(aperture, QSize(frame->width(), frame->height()), pictureSize, margin,
                                      QRectF(0, 0, surface->width(), surface->height()));
        if (l.scale > 0 && std::isfinite(l.scale)) {
            const auto toSk = [](const QRectF& r) {
                return SkRect::MakeLTRB(float(r.left()), float(r.top()), float(r.right()), float(r.bottom()));
            };
            canvas->save();
            canvas->translate(float(l.origin.x()), float(l.origin.y()));
            canvas->scale(float(l.scale), float(l.scale));
            SkPaint fill(colour);
            fill.setAntiAlias(true);
            canvas->drawRect(toSk(l.marginRect), fill);
            const SkRect p = toSk(l.pictureRect);
            if (!p.isEmpty()) {
                if (picture)
                    canvas->drawImageRect(picture, p, SkSamplingOptions::Mitchell());
                else
                    canvas->drawRect(p, SkPaint(kControlPlaceholder));
            }
            canvas->drawImageNine(frame, l.hole,
                                  SkRect::MakeWH(float(l.totalWidth), float(l.totalHeight)), SkFilterMode::kLinear);
            canvas->restore();
        }
    }
    return surface->makeImageSnapshot()->qimage();
}

} // namespace pv
