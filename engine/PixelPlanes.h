#pragma once
// Pixel work the drawing effects share: luma of stored pixels, premultiplying,
// the alpha plane, Sobel gradients of a grey plane, and sums over square windows (clamped to the
// border, or clipped to the picture). Every plane is row-major, one entry per
// pixel; the loops run on the shared pool and their results never depend on
// the number of threads.

#include "platform/graphics/SkTypes.h"
#include "platform/system/LargeBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pv {

// (299 R + 587 G + 114 B) div 1000 of the stored channels.
inline int Luma1000(uint32_t p)
{
    return int((299 * ((p >> 16) & 0xFF) + 587 * ((p >> 8) & 0xFF) + 114 * (p & 0xFF)) / 1000);
}

// (30 R + 59 G + 11 B) div 100 of the stored channels.
inline int Luma100(uint32_t p)
{
    return int((30 * ((p >> 16) & 0xFF) + 59 * ((p >> 8) & 0xFF) + 11 * (p & 0xFF)) / 100);
}

// A straight colour (alpha taken from `a`) premultiplied with truncation:
// channel * a div 255.
inline uint32_t PremultiplyTruncating(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
}

// The alpha byte of every pixel, row-major.
LargeBuffer<uint8_t> AlphaPlane(const SkPixmap& pixels);

// Sobel gradients of a grey plane: gx = right column minus left column, gy =
// lower row minus upper row (weights 1, 2, 1). Border pixels get 0. Both fit
// in 16 bits (|g| <= 1020).
void SobelGradients(const uint8_t* grey, int w, int h, int16_t* gx, int16_t* gy);
// The same for rows [y0, y1) only (callers that poll between blocks of rows).
void SobelGradientRows(const uint8_t* grey, int w, int h, int y0, int y1, int16_t* gx, int16_t* gy);

// Horizontal sums over [x - r, x + r] with the columns clamped to the row
// (border pixels repeat), for every row; r is at most 128 so a sum fits in 16 bits.
void ClampedRowSums(const uint8_t* in, int w, int h, int r, uint16_t* out);

// Vertical sums over rows [y - r, y + r] clamped to the picture, of one row y
// of a plane of row sums.
void ClampedColumnSums(const uint16_t* rowSums, int w, int h, int r, int y, uint32_t* out);

// Sums of a value over the windows [x - r, x + r] x [y - r, y + r] clipped to
// the picture, one row after another: the same integers a summed-area table
// gives, kept in one row of column sums instead of a 64-bit table of the
// picture's size. value(x, y) must be non-negative.
template <typename Value>
class ClippedWindowSums {
public:
    ClippedWindowSums(int w, int h, int r, int firstRow, Value value)
        : w_(w), h_(h), r_(std::max(0, r)), y_(firstRow), value_(value), columns_(size_t(w), 0), prefix_(size_t(w) + 1, 0)
    {
        const int top = std::max(0, y_ - r_);
        const int bottom = int(std::min<int64_t>(h_ - 1, int64_t(y_) + r_));
        for (int yy = top; yy <= bottom; ++yy)
            addRow(yy, +1);
        rows_ = bottom - top + 1;
        buildPrefix();
    }

    // Moves to the next row.
    void advance()
    {
        const int64_t leaving = int64_t(y_) - r_;
        const int64_t entering = int64_t(y_) + 1 + r_;
        if (leaving >= 0) {
            addRow(int(leaving), -1);
            --rows_;
        }
        if (entering < h_) {
            addRow(int(entering), +1);
            ++rows_;
        }
        ++y_;
        buildPrefix();
    }

    int64_t sum(int x) const { return prefix_[size_t(right(x))] - prefix_[size_t(left(x))]; }
    int64_t count(int x) const { return int64_t(right(x) - left(x)) * rows_; }

private:
    int left(int x) const { return int(std::max<int64_t>(0, int64_t(x) - r_)); }
    int right(int x) const { return int(std::min<int64_t>(w_, int64_t(x) + r_ + 1)); }
    void addRow(int yy, int sign)
    {
        for (int x = 0; x < w_; ++x)
            columns_[size_t(x)] += sign * int64_t(value_(x, yy));
    }
    void buildPrefix()
    {
        for (int x = 0; x < w_; ++x)
            prefix_[size_t(x) + 1] = prefix_[size_t(x)] + columns_[size_t(x)];
    }

    int w_, h_, r_, y_;
    Value value_;
    int64_t rows_ = 0;
    std::vector<int64_t> columns_;
    std::vector<int64_t> prefix_;
};

} // namespace pv
