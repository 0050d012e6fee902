#include "overlays/ResizeBoxes.h"

#include "engine/ImageHelpers.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <cmath>

namespace pv {

bool ResizeBoth(const ISkImage& source, const ISkImage& result, int width, int height, ISkImage& newSource,
                ISkImage& newResult)
{
    if (width <= 0 || height <= 0 || !source || !result)
        return false;
    ISkImage s = ScaleImageTo(source, width, height);
    ISkImage r = s ? ScaleImageTo(result, width, height) : nullptr;
    if (!s || !r)
        return false;
    newSource = std::move(s);
    newResult = std::move(r);
    return true;
}

void TResizeBoxes::SetInitialSize(int width, int height)
{
    originalWidth_ = width;
    originalHeight_ = height;
    // A picture without height (or width) keeps a ratio of 1.
    aspect_ = height < 1 || width < 1 ? 1.0 : double(width) / double(height);
    lock_ = true;
    values_[WidthPx] = std::clamp(width, 0, kMaxPixels);
    values_[HeightPx] = std::clamp(height, 0, kMaxPixels);
    values_[WidthPc] = values_[HeightPc] = 100;
}

void TResizeBoxes::Set(Box box, double value)
{
    if (!std::isfinite(value))
        value = 0;
    values_[box] = Round(std::clamp(value, 0.0, double(Max(box))));
}

double TResizeBoxes::LockLimit(Box box) const
{
    const double max = kMaxPixels;
    switch (box) {
    case WidthPx:
        return std::floor(std::min(max, max * aspect_));
    case HeightPx:
        return std::floor(std::min(max, max / aspect_));
    case WidthPc:
        return originalWidth_ > 0 ? std::floor(std::min(max, max * aspect_) * 100.0 / originalWidth_) : kMaxPercent;
    case HeightPc:
        return originalHeight_ > 0 ? std::floor(std::min(max, max / aspect_) * 100.0 / originalHeight_)
                                   : kMaxPercent;
    }
    return 0;
}

void TResizeBoxes::Sync(Box box, double value)
{
    if (!std::isfinite(value))
        return;
    value = std::clamp(value, 0.0, double(Max(box)));
    if (lock_)
        value = std::min(value, LockLimit(box));
    Set(box, value);
    const double p = value / 100.0;
    const double ow = originalWidth_, oh = originalHeight_;
    if (lock_) {
        switch (box) {
        case WidthPx:
            Set(HeightPx, value / aspect_);
            if (ow > 0) {
                Set(WidthPc, value / ow * 100.0);
                values_[HeightPc] = values_[WidthPc];
            }
            break;
        case HeightPx:
            Set(WidthPx, value * aspect_);
            if (oh > 0) {
                Set(HeightPc, value / oh * 100.0);
                values_[WidthPc] = values_[HeightPc];
            }
            break;
        case WidthPc:
            Set(WidthPx, ow * p);
            Set(HeightPx, ow * p / aspect_);
            Set(HeightPc, value);
            break;
        case HeightPc:
            Set(HeightPx, oh * p);
            Set(WidthPx, oh * p * aspect_);
            Set(WidthPc, value);
            break;
        }
        return;
    }
    switch (box) {
    case WidthPx:
        if (ow > 0)
            Set(WidthPc, value / ow * 100.0);
        break;
    case WidthPc:
        Set(WidthPx, ow * p);
        break;
    case HeightPx:
        if (oh > 0)
            Set(HeightPc, value / oh * 100.0);
        break;
    case HeightPc:
        Set(HeightPx, oh * p);
        break;
    }
}

void TResizeBoxes::SetLock(bool on)
{
    lock_ = on;
    if (on)
        Sync(WidthPx, values_[WidthPx]);
}

} // namespace pv
