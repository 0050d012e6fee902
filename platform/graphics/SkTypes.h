#pragma once
// Basic types of the graphics layer: colours, rectangles, pixel maps.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pv {

// A colour as a 32-bit value $AARRGGBB with straight (not premultiplied) alpha.
using TAlphaColor = uint32_t;

constexpr TAlphaColor kColorTransparent = 0x00000000u;
constexpr TAlphaColor kColorBlack = 0xFF000000u;
constexpr TAlphaColor kColorWhite = 0xFFFFFFFFu;

constexpr uint8_t ColorA(TAlphaColor c) { return static_cast<uint8_t>(c >> 24); }
constexpr uint8_t ColorR(TAlphaColor c) { return static_cast<uint8_t>(c >> 16); }
constexpr uint8_t ColorG(TAlphaColor c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t ColorB(TAlphaColor c) { return static_cast<uint8_t>(c); }
constexpr TAlphaColor MakeColor(uint8_t a, uint8_t r, uint8_t g, uint8_t b)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Premultiplies a straight colour (c * a / 255, rounded) into a pixel value.
uint32_t PremultiplyColor(TAlphaColor c);
// Turns a premultiplied pixel into a straight colour (c * 255 / a, rounded).
TAlphaColor UnpremultiplyPixel(uint32_t p);

enum class SkAlphaType { Opaque, Premul, Unpremul };

// What a filter or shader reads outside its input: Clamp repeats the edge
// pixels, Repeat tiles, Mirror tiles mirrored, Decal reads transparent.
enum class SkTileMode { kClamp, kRepeat, kMirror, kDecal };

struct SkPoint {
    float fX = 0, fY = 0;
    static constexpr SkPoint Make(float x, float y) { return {x, y}; }
    constexpr float x() const { return fX; }
    constexpr float y() const { return fY; }
    constexpr SkPoint operator+(SkPoint o) const { return {fX + o.fX, fY + o.fY}; }
    constexpr SkPoint operator-(SkPoint o) const { return {fX - o.fX, fY - o.fY}; }
    constexpr bool operator==(const SkPoint&) const = default;
    float length() const { return std::sqrt(fX * fX + fY * fY); }
};
using SkVector = SkPoint;

struct SkIPoint {
    int fX = 0, fY = 0;
    static constexpr SkIPoint Make(int x, int y) { return {x, y}; }
    constexpr bool operator==(const SkIPoint&) const = default;
};

struct SkISize {
    int fWidth = 0, fHeight = 0;
    static constexpr SkISize Make(int w, int h) { return {w, h}; }
};

struct SkIRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    static constexpr SkIRect MakeXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    static constexpr SkIRect MakeWH(int w, int h) { return {0, 0, w, h}; }
    static constexpr SkIRect MakeLTRB(int l, int t, int r, int b) { return {l, t, r, b}; }
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    // Intersects in place; returns false (and leaves the rect empty) when disjoint.
    bool intersect(const SkIRect& other);
    constexpr SkIRect makeOffset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    constexpr SkIRect makeOutset(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    constexpr bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr bool contains(const SkIRect& r) const
    {
        return !r.isEmpty() && r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
    }
    constexpr bool operator==(const SkIRect&) const = default;
    // Smallest rectangle holding both (an empty one does not count).
    void join(const SkIRect& r)
    {
        if (r.isEmpty())
            return;
        if (isEmpty()) {
            *this = r;
            return;
        }
        left = std::min(left, r.left), top = std::min(top, r.top);
        right = std::max(right, r.right), bottom = std::max(bottom, r.bottom);
    }
};

struct SkRect {
    float left = 0, top = 0, right = 0, bottom = 0;
    static constexpr SkRect MakeXYWH(float x, float y, float w, float h) { return {x, y, x + w, y + h}; }
    static constexpr SkRect MakeWH(float w, float h) { return {0, 0, w, h}; }
    static constexpr SkRect MakeLTRB(float l, float t, float r, float b) { return {l, t, r, b}; }
    static constexpr SkRect Make(const SkIRect& r) { return {float(r.left), float(r.top), float(r.right), float(r.bottom)}; }
    constexpr float width() const { return right - left; }
    constexpr float height() const { return bottom - top; }
    constexpr bool isEmpty() const { return !(right > left && bottom > top); }
    constexpr float centerX() const { return 0.5f * (left + right); }
    constexpr float centerY() const { return 0.5f * (top + bottom); }
    bool isFinite() const
    {
        return std::isfinite(left) && std::isfinite(top) && std::isfinite(right) && std::isfinite(bottom);
    }
    constexpr SkRect makeOffset(float dx, float dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    constexpr SkRect makeOutset(float dx, float dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    constexpr bool contains(float x, float y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr bool operator==(const SkRect&) const = default;
    // Left/top down and right/bottom up to whole pixels: every pixel the rect touches.
    SkIRect roundOut() const
    {
        return {int(std::floor(left)), int(std::floor(top)), int(std::ceil(right)), int(std::ceil(bottom))};
    }
    // Edges to the nearest pixel boundary: the pixels whose centres lie inside.
    SkIRect round() const
    {
        return {int(std::floor(left + 0.5f)), int(std::floor(top + 0.5f)), int(std::floor(right + 0.5f)),
                int(std::floor(bottom + 0.5f))};
    }
    // Intersects in place; returns false (and leaves the rect empty) when disjoint.
    bool intersect(const SkRect& o)
    {
        const SkRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
        *this = r.isEmpty() ? SkRect{} : r;
        return !r.isEmpty();
    }
    // Rectangle with the corners sorted (non-negative width and height).
    SkRect makeSorted() const
    {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    }
};

// A view of 32-bit BGRA premultiplied pixels (read as little-endian $AARRGGBB).
struct SkPixmap {
    uint8_t* base = nullptr;
    int width = 0;
    int height = 0;
    size_t rowBytes = 0;

    uint32_t* row(int y) const { return reinterpret_cast<uint32_t*>(base + size_t(y) * rowBytes); }
    uint32_t& at(int x, int y) const { return row(y)[x]; }
    bool valid() const { return base != nullptr && width > 0 && height > 0; }
};

class SkImage;
class SkSurface;
class SkCanvas;
using ISkImage = std::shared_ptr<const SkImage>;
using ISkSurface = std::shared_ptr<SkSurface>;

} // namespace pv
