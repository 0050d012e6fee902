#pragma once
// The mip chain of a picture for mipmapped sampling: each level halves the
// previous one (width and height rounded down, at least 1) by averaging 2 x 2
// blocks of premultiplied pixels, down to 1 x 1. Built once per picture and
// kept with it (pictures are immutable).

#include "platform/graphics/SkTypes.h"

#include <QImage>

#include <vector>

namespace pv {

class SkMipmap {
public:
    // Levels below the picture itself: level(1) is half size, and so on.
    explicit SkMipmap(const SkPixmap& base);

    int levelCount() const { return int(levels_.size()); } // not counting the base
    // Pixels of level k (1 <= k <= levelCount()).
    SkPixmap level(int k) const;

    // The level whose resolution suits a drawing that shrinks the picture by
    // `scale` (destination pixels per source pixel, 0 < scale): the nearest
    // power of two at or above the shrink, 0 (the picture itself) when not
    // shrinking.
    static int LevelForScale(float scale, int levelCount);

private:
    std::vector<QImage> levels_;
};

} // namespace pv
