#include "scripts/FrameComposition.h"

#include "scripts/FrameLayout.h"

#include <algorithm>
#include <new>

namespace pv {

TFramedPair ComposeFramedPair(const ISkImage& result, const ISkImage& source, const QImage& frame, int margin,
                              TAlphaColor colour)
{
    if (!result || !source || frame.isNull() || frame.width() <= 0 || frame.height() <= 0)
        return {};
    const ISkImage frameImage = SkImage::MakeFromQImage(frame);
    if (!frameImage)
        throw std::bad_alloc();
    const SkIRect opening = FrameOpening(frame);
    const TFrameLayout layout = ComputeFrameLayout(opening, frame.width(), frame.height(), result->width(),
                                                   result->height(), std::max(0, margin));
    TFramedPair out;
    out.Result = ComposeInFrame(result, frameImage, opening, layout, colour);
    if (out.Result)
        out.Source = ComposeInFrame(source, frameImage, opening, layout, colour);
    // No surface of the framed size could be made.
    if (!out.Result || !out.Source)
        throw std::bad_alloc();
    return out;
}

} // namespace pv
