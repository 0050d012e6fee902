#pragma once
// The framed pictures of the frame panel: the result and the source each
// grown by a margin of a colour on every side and by the frame's border,
// with the frame laid over them as a nine-patch whose opening is stretched
// around picture and margin. Both come out at the size computed from the
// result, so source and result keep one size.

#include "platform/graphics/SkImage.h"

#include <QImage>

namespace pv {

struct TFramedPair {
    ISkImage Result;
    ISkImage Source;
};

// Throws std::bad_alloc when the framed pictures do not fit in memory.
// Returns empty pictures when the result, the source or the frame is missing.
TFramedPair ComposeFramedPair(const ISkImage& result, const ISkImage& source, const QImage& frame, int margin,
                              TAlphaColor colour);

} // namespace pv
