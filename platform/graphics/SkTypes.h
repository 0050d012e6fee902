#pragma once
// Basic types of the graphics layer: colours, rectangles, pixel maps.

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

struct SkIRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    static constexpr SkIRect MakeXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    static constexpr SkIRect MakeWH(int w, int h) { return {0, 0, w, h}; }
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    // Intersects in place; returns false (and leaves the rect empty) when disjoint.
    bool intersect(const SkIRect& other);
};

struct SkRect {
    float left = 0, top = 0, right = 0, bottom = 0;
    static constexpr SkRect MakeXYWH(float x, float y, float w, float h) { return {x, y, x + w, y + h}; }
    static constexpr SkRect MakeWH(float w, float h) { return {0, 0, w, h}; }
    static constexpr SkRect Make(const SkIRect& r) { return {float(r.left), float(r.top), float(r.right), float(r.bottom)}; }
    constexpr float width() const { return right - left; }
    constexpr float height() const { return bottom - top; }
    constexpr bool isEmpty() const { return !(right > left && bottom > top); }
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
