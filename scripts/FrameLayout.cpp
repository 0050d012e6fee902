#include "scripts/FrameLayout.h"

#include "scripts/PictureCanvas.h"

#include "platform/graphics/SkCanvas.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace pv {
namespace {

bool FramePixelIsOpaque(const QImage& image, int x, int y)
{
    return (reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x] >> 24) >= 251;
}

// True when every pixel of the region is fully transparent.
bool RegionIsClear(const ISkImage& image, const SkIRect& region)
{
    SkPixmap pm;
    SkIRect r = region;
    if (!image->peekPixels(pm) || !r.intersect(image->bounds()))
        return false;
    for (int y = r.top; y < r.bottom; ++y) {
        const uint32_t* row = pm.row(y);
        for (int x = r.left; x < r.right; ++x)
            if (row[x] >> 24)
                return false;
    }
    return true;
}

int Saturate(int64_t v)
{
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

SkIRect FrameOpening(const QImage& frame)
{
    const int fw = frame.width(), fh = frame.height();
    SkIRect opening = SkIRect::MakeWH(fw, fh);
    if (frame.isNull() || fw <= 0 || fh <= 0)
        return opening;
    QImage pixels = frame;
    if (pixels.format() != QImage::Format_ARGB32_Premultiplied && pixels.format() != QImage::Format_ARGB32 &&
        pixels.format() != QImage::Format_RGB32) {
        pixels = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (pixels.isNull())
            return opening;
    }
    const int cx = fw / 2, cy = fh / 2;
    for (int x = cx; x >= 0; --x)
        if (FramePixelIsOpaque(pixels, x, cy)) {
            opening.left = x + 1;
            break;
        }
    for (int x = cx; x < fw; ++x)
        if (FramePixelIsOpaque(pixels, x, cy)) {
            opening.right = x;
            break;
        }
    for (int y = cy; y >= 0; --y)
        if (FramePixelIsOpaque(pixels, cx, y)) {
            opening.top = y + 1;
            break;
        }
    for (int y = cy; y < fh; ++y)
        if (FramePixelIsOpaque(pixels, cx, y)) {
            opening.bottom = y;
            break;
        }
    return opening;
}

TFrameLayout ComputeFrameLayout(const SkIRect& opening, int frameWidth, int frameHeight, int pictureWidth,
                                int pictureHeight, int margin)
{
    const int64_t m = margin;
    const int64_t left = opening.left, top = opening.top;
    const int64_t right = int64_t(frameWidth) - opening.right, bottom = int64_t(frameHeight) - opening.bottom;
    TFrameLayout layout;
    layout.width = Saturate(pictureWidth + 2 * m + left + right);
    layout.height = Saturate(pictureHeight + 2 * m + top + bottom);
    layout.marginRect = SkIRect::MakeLTRB(Saturate(left - 1), Saturate(top - 1),
                                          Saturate(left + pictureWidth + 2 * m + 1),
                                          Saturate(top + pictureHeight + 2 * m + 1));
    layout.pictureOrigin = SkIPoint::Make(Saturate(left + m), Saturate(top + m));
    return layout;
}

ISkImage ComposeInFrame(const ISkImage& picture, const ISkImage& frame, const SkIRect& opening,
                        const TFrameLayout& layout, TAlphaColor marginColor)
{
    TPictureCanvas out = TPictureCanvas::Blank(layout.width, layout.height);
    if (!out.valid())
        return nullptr;
    SkCanvas* canvas = out.canvas();
    canvas->drawRect(SkRect::Make(layout.marginRect), SkPaint(marginColor));
    if (picture)
        canvas->drawImage(picture, float(layout.pictureOrigin.fX), float(layout.pictureOrigin.fY));
    if (frame) {
        const SkRect dst = SkRect::MakeWH(float(layout.width), float(layout.height));
        if (opening.isEmpty()) {
            canvas->drawImageRect(frame, dst, SkSamplingOptions::Linear());
        } else if (!RegionIsClear(frame, opening)) {
            canvas->drawImageNine(frame, opening, dst, SkFilterMode::kLinear);
        } else {
            // A clear opening changes nothing: only the four border strips
            // are drawn, not the stretched hole over the whole picture.
            const float l = float(opening.left), t = float(opening.top);
            const float r = dst.right - float(frame->width() - opening.right);
            const float b = dst.bottom - float(frame->height() - opening.bottom);
            const SkRect strips[] = {SkRect::MakeLTRB(0, 0, dst.right, t), SkRect::MakeLTRB(0, b, dst.right, dst.bottom),
                                     SkRect::MakeLTRB(0, t, l, b), SkRect::MakeLTRB(r, t, dst.right, b)};
            for (const SkRect& strip : strips) {
                if (strip.isEmpty())
                    continue;
                canvas->save();
                canvas->clipRect(strip);
                canvas->drawImageNine(frame, opening, dst, SkFilterMode::kLinear);
                canvas->restore();
            }
        }
    }
    return out.finish();
}

} // namespace pv
