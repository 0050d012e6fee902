#pragma once
// The four boxes of the resize panel as numbers: width and height in pixels
// and in percent of the size the panel opened with, kept consistent while the
// user edits one of them; with the aspect-ratio lock on, both sides follow.
//
// Every value a box is given is rounded to the nearest whole number, so a
// 4000 x 3000 picture at 50 % is 2000 x 1500. With the lock on, an edited
// value is held where neither side passes the largest size; without it each
// box only keeps its own range.

#include "platform/graphics/SkTypes.h"

namespace pv {

// Both pictures resampled to width x height (Mitchell cubic, whatever sizes
// they had): true with both made, false (outputs untouched) for an empty
// size or a missing picture. std::bad_alloc when they do not fit in memory.
bool ResizeBoth(const ISkImage& source, const ISkImage& result, int width, int height, ISkImage& newSource,
                ISkImage& newResult);

class TResizeBoxes {
public:
    enum Box { WidthPx, HeightPx, WidthPc, HeightPc };
    static constexpr int kMaxPixels = 20000;
    static constexpr int kMaxPercent = 1000;

    // The picture's size at 100 % in both directions, the lock on.
    void SetInitialSize(int width, int height);
    // The user set the box to value: the others follow as the lock says (and
    // the edited box itself takes the value, held in range).
    void Sync(Box box, double value);
    // Turning the lock on makes the height follow the current width.
    void SetLock(bool on);

    bool Lock() const { return lock_; }
    int Value(Box box) const { return values_[box]; }
    int NewWidth() const { return values_[WidthPx]; }
    int NewHeight() const { return values_[HeightPx]; }
    double AspectRatio() const { return aspect_; }
    static int Max(Box box) { return box == WidthPx || box == HeightPx ? kMaxPixels : kMaxPercent; }

private:
    void Set(Box box, double value);
    // The largest value of the box for which, with the lock on, neither side
    // passes kMaxPixels.
    double LockLimit(Box box) const;

    int originalWidth_ = 0, originalHeight_ = 0;
    double aspect_ = 1.0;
    bool lock_ = true;
    int values_[4] = {0, 0, 100, 100};
};

} // namespace pv
