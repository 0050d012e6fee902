#include "scripts/ScriptImageOps.h"

#include "scripts/FrameLayout.h"
#include "scripts/PictureCanvas.h"
#include "scripts/TextDrawing.h"

#include "engine/ImageHelpers.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkCanvas.h"

#include <algorithm>
#include <cmath>

namespace pv {
namespace {

// Nearest integer, ties to even, for sizes that may come from absurd script
// values: kept inside a range every later size computation can hold.
int RoundSize(double v)
{
    if (!(v > -1e9))
        return -1000000000;
    return Round(std::min(v, 1e9));
}

bool AlphaAbove8(uint32_t p) { return (p >> 24) > 8; }

} // namespace

float PlaceByPercent(float E, float S, float V, bool IsPercent)
{
    if (!IsPercent)
        return V;
    float p = E * V / 100.0f;
    if (V < 50.0f)
        p += S / 2.0f;
    else if (V > 50.0f)
        p -= S / 2.0f;
    return p - S / 2.0f;
}

ISkImage BlendImages(const ISkImage& Base, const ISkImage& Overlay, float Opacity, SkBlendMode Mode)
{
    if (!Base || !Overlay)
        return Base;
    TPictureCanvas out = TPictureCanvas::CopyOf(Base);
    if (!out.valid())
        return Base;
    ISkImage overlay = Overlay;
    if (overlay->width() != Base->width() || overlay->height() != Base->height()) {
        overlay = ScaleImageTo(Overlay, Base->width(), Base->height());
        if (!overlay)
            return Base;
    }
    SkPaint paint;
    paint.setAlphaf(Opacity);
    paint.setBlendMode(Mode);
    out.canvas()->drawImage(overlay, 0, 0, &paint);
    return out.finish();
}

ISkImage DrawTextOnImage(const ISkImage& Image, float X, float Y, bool XPercent, bool YPercent, const QString& Text,
                         const QString& FamilyName, float Size, SkFontStyle Style, TAlphaColor Color, bool Shadow)
{
    if (!Image || Text.isEmpty())
        return Image;
    TPictureCanvas out = TPictureCanvas::CopyOf(Image);
    if (!out.valid())
        return Image;

    const SkFont font = MakeStyledFont(ResolveTypeface(FamilyName, Style), Size, Style);
    std::optional<TTextShadow> shadow;
    if (Shadow) {
        // A shadow blurred wider than the picture shows nothing more; the
        // limit keeps an absurd text size from allocating beyond the picture.
        const float side = float(std::max(Image->width(), Image->height()));
        shadow = ScriptTextShadow(Size);
        shadow->offset = std::min(shadow->offset, side);
        shadow->sigma = std::min(shadow->sigma, side / 3.0f);
    }
    const SkPaint paint = TextPaint(Color, shadow);

    SkRect box;
    font.measureText(Text, &box);
    const float left = PlaceByPercent(float(Image->width()), box.width(), X, XPercent);
    const float top = PlaceByPercent(float(Image->height()), box.height(), Y, YPercent);
    out.canvas()->drawSimpleText(Text, left - box.left, top - box.top, font, paint);
    return out.finish();
}

ISkImage TrimTransparentBorder(const ISkImage& Image)
{
    SkPixmap pm;
    if (!Image || !Image->peekPixels(pm) || !pm.valid())
        return Image;
    const int w = pm.width, h = pm.height;
    auto rowHas = [&](int y) { return std::any_of(pm.row(y), pm.row(y) + w, AlphaAbove8); };

    int top = 0;
    while (top < h && !rowHas(top))
        ++top;
    if (top == h)
        return Image;
    int bottom = h;
    while (!rowHas(bottom - 1))
        --bottom;
    int left = w, right = 0;
    for (int y = top; y < bottom; ++y) {
        const uint32_t* row = pm.row(y);
        for (int x = 0; x < left; ++x)
            if (AlphaAbove8(row[x])) {
                left = x;
                break;
            }
        for (int x = w - 1; x >= right; --x)
            if (AlphaAbove8(row[x])) {
                right = x + 1;
                break;
            }
    }
    const SkIRect box = SkIRect::MakeLTRB(left, top, right, bottom);
    if (box == Image->bounds())
        return Image;
    ISkImage subset = Image->makeSubset(box);
    return subset ? subset : Image;
}

ISkImage DownscaleByHalving(const ISkImage& Image, int TargetWidth)
{
    if (!Image || TargetWidth <= 0)
        return Image;
    ISkImage current = Image;
    for (;;) {
        const int hw = current->width() / 2;
        if (hw < TargetWidth || hw == 0)
            break;
        const int hh = current->height() / 2;
        if (hh < 1)
            break;
        TPictureCanvas half = TPictureCanvas::Blank(hw, hh);
        if (!half.valid())
            break;
        half.canvas()->drawImageRect(current, SkRect::MakeWH(float(hw), float(hh)), SkSamplingOptions::Linear());
        current = half.finish();
    }
    return current;
}

SkRect WatermarkRect(int imageWidth, int imageHeight, int wmWidth, int wmHeight, float X, float Y, bool XPercent,
                     bool YPercent, float Width, bool WidthPercent)
{
    if (wmWidth <= 0 || wmHeight <= 0)
        return {};
    float w;
    if (Width > 0)
        w = WidthPercent ? float(imageWidth) * Width / 100.0f : Width;
    else
        w = std::min(float(wmWidth), 0.25f * float(imageWidth));
    const float h = w * float(wmHeight) / float(wmWidth);
    const float left = PlaceByPercent(float(imageWidth), w, X, XPercent);
    const float top = PlaceByPercent(float(imageHeight), h, Y, YPercent);
    return SkRect::MakeXYWH(left, top, w, h);
}

ISkImage DrawWatermarkImage(const ISkImage& Image, const ISkImage& Watermark, float X, float Y, bool XPercent,
                            bool YPercent, float Width, bool WidthPercent, float Alpha)
{
    if (!Image || !Watermark)
        return Image;
    const ISkImage trimmed = TrimTransparentBorder(Watermark);
    const SkRect rect = WatermarkRect(Image->width(), Image->height(), trimmed->width(), trimmed->height(), X, Y,
                                      XPercent, YPercent, Width, WidthPercent);
    TPictureCanvas out = TPictureCanvas::CopyOf(Image);
    if (!out.valid())
        return Image;
    PaintWatermark(*out.canvas(), trimmed, rect, Alpha / 100.0f);
    return out.finish();
}

void PaintWatermark(SkCanvas& Canvas, const ISkImage& Watermark, const SkRect& Rect, float Opacity)
{
    if (!Watermark || Rect.isEmpty())
        return;
    const ISkImage reduced = DownscaleByHalving(Watermark, RoundSize(Rect.width()));
    SkPaint paint;
    paint.setAlphaf(std::clamp(Opacity, 0.0f, 1.0f));
    Canvas.drawImageRect(reduced, Rect, SkSamplingOptions::Mitchell(), &paint);
}

ISkImage DrawWatermark(const ISkImage& Image, float X, float Y, bool XPercent, bool YPercent, const QString& FileName,
                       float Width, bool WidthPercent, float Alpha)
{
    if (!Image || FileName.isEmpty())
        return Image;
    const ISkImage watermark = DecodeImageFile(FileName);
    if (!watermark)
        return Image;
    return DrawWatermarkImage(Image, watermark, X, Y, XPercent, YPercent, Width, WidthPercent, Alpha);
}

ISkImage ApplyFrameBitmap(const ISkImage& Image, const QImage& Frame, int Margin, TAlphaColor Color,
                          bool* FrameUnreadable)
{
    if (FrameUnreadable)
        *FrameUnreadable = false;
    if (!Image || Frame.isNull() || Frame.width() <= 0 || Frame.height() <= 0)
        return Image;
    const SkIRect opening = FrameOpening(Frame);
    const ISkImage frame = SkImage::MakeFromQImage(Frame);
    if (!frame) {
        if (FrameUnreadable)
            *FrameUnreadable = true;
        return Image;
    }
    const TFrameLayout layout =
        ComputeFrameLayout(opening, Frame.width(), Frame.height(), Image->width(), Image->height(), Margin);
    const ISkImage framed = ComposeInFrame(Image, frame, opening, layout, Color);
    return framed ? framed : Image;
}

} // namespace pv
