#include "workspace/canvas/CanvasRenderer.h"

#include "platform/graphics/Resample.h"
#include "platform/graphics/ResampleNearest.h"
#include "platform/graphics/SkImage.h"
#include "platform/graphics/SkMipmap.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace pv {
namespace {

// Sampled areas kept: the two sides of the split view and the whole view of
// each picture, so that holding the right button or toggling split view does
// not resample what was seen a moment ago.
constexpr size_t kMaxCaches = 4;

// The pixels whose centres lie inside r.
QRect CentreRound(const QRectF& r)
{
    const int l = int(std::floor(r.left() + 0.5)), t = int(std::floor(r.top() + 0.5));
    const int rr = int(std::floor(r.right() + 0.5)), b = int(std::floor(r.bottom() + 0.5));
    return rr > l && b > t ? QRect(l, t, rr - l, b - t) : QRect();
}

// Every pixel r touches.
QRect RoundOut(const QRectF& r)
{
    const int l = int(std::floor(r.left())), t = int(std::floor(r.top()));
    const int rr = int(std::ceil(r.right())), b = int(std::ceil(r.bottom()));
    return rr > l && b > t ? QRect(l, t, rr - l, b - t) : QRect();
}

SkPixmap PixmapOf(QImage& image, const QRect& area)
{
    return {image.bits() + size_t(area.y()) * size_t(image.bytesPerLine()) + size_t(area.x()) * 4, area.width(),
            area.height(), size_t(image.bytesPerLine())};
}

QImage NewRaster(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw std::bad_alloc();
    return image;
}

template <typename Body>
void ForRows(int begin, int end, Body&& body)
{
    tbb::parallel_for(tbb::blocked_range<int>(begin, end, 16), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y)
            body(y);
    });
}

// Source-over of a premultiplied pixel scaled by a coverage of 0..1.
inline uint32_t BlendOver(uint32_t src, uint32_t dst, float coverage)
{
    const float keep = 1.0f - float(src >> 24) * coverage / 255.0f;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float v = float((src >> shift) & 0xFF) * coverage + float((dst >> shift) & 0xFF) * keep;
        out |= uint32_t(std::min(v + 0.5f, 255.0f)) << shift;
    }
    return out;
}

inline uint32_t ScalePixel(uint32_t p, float coverage)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= uint32_t(float((p >> shift) & 0xFF) * coverage + 0.5f) << shift;
    return out;
}

bool SameLayer(const CanvasLayer& a, const CanvasLayer& b)
{
    const uint64_t ida = a.image ? a.image->uniqueID() : 0;
    const uint64_t idb = b.image ? b.image->uniqueID() : 0;
    return ida == idb && a.dst == b.dst && a.clip == b.clip;
}

bool Same(double a, double b) { return std::fabs(a - b) < 1e-6; }

// The pixels to sample for a picture drawn at dst. Shrinking reads a level of
// the picture's mip chain: for the cubic filter the smallest level still at
// least as detailed as the view, so the filter stays narrow (a 12-megapixel
// photograph at 37 % reads the half-size level); for nearest sampling the
// nearest level, as mipmapped nearest sampling does.
SkPixmap SourceLevel(const SkImage& image, const QRectF& dst, bool fast)
{
    SkPixmap base;
    image.peekPixels(base);
    const double scale = std::min(dst.width() / image.width(), dst.height() / image.height());
    constexpr int kDeepest = 31;
    const int level = fast ? SkMipmap::LevelForScale(float(scale), kDeepest)
                           : (scale < 1 ? std::clamp(int(std::floor(std::log2(1.0 / scale))), 0, kDeepest) : 0);
    if (level == 0)
        return base;
    const SkMipmap& mips = image.mipmap();
    return mips.level(std::min(level, mips.levelCount()));
}

} // namespace

bool CanvasScene::operator==(const CanvasScene& other) const
{
    if (size != other.size || background != other.background || canvas != other.canvas ||
        cornerRadius != other.cornerRadius || layerCount != other.layerCount || fast != other.fast)
        return false;
    for (int i = 0; i < layerCount; ++i)
        if (!SameLayer(layers[i], other.layers[i]))
            return false;
    return true;
}

float PixelCoverage(int x, double from, double to)
{
    return float(std::clamp(std::min(double(x) + 1.0, to) - std::max(double(x), from), 0.0, 1.0));
}

float CornerCoverage(double d, double r) { return float(std::clamp(r + 0.5 - d, 0.0, 1.0)); }

void CanvasRenderer::Clear()
{
    caches_.clear();
    frame_ = QImage();
    valid_ = false;
}

const CanvasRenderer::Cache& CanvasRenderer::SampleLayer(const CanvasLayer& layer, const QRect& area, bool fast)
{
    const QRectF& dst = layer.dst;
    const SkPixmap src = SourceLevel(*layer.image, dst, fast);
    const double originX = std::floor(dst.left()), originY = std::floor(dst.top());
    const double phaseX = dst.left() - originX, phaseY = dst.top() - originY;
    const QRect grid = area.translated(-int(originX), -int(originY));

    // The cached pixels of this picture at this zoom and phase that overlap
    // the area most (the same picture may show twice, left and right of the
    // divider, each side with pixels of its own).
    Cache* reuse = nullptr;
    int64_t best = 0;
    for (Cache& c : caches_) {
        if (c.id != layer.image->uniqueID() || c.fast != fast || c.width != dst.width() ||
            c.height != dst.height() || !Same(c.phaseX, phaseX) || !Same(c.phaseY, phaseY))
            continue;
        const QRect overlap = c.grid.intersected(grid);
        const int64_t pixels = overlap.isEmpty() ? 0 : int64_t(overlap.width()) * overlap.height();
        if (pixels > best) {
            best = pixels;
            reuse = &c;
        }
    }
    ++clock_;
    if (reuse && reuse->grid == grid) {
        reuse->used = clock_;
        return *reuse;
    }

    QImage pixels = NewRaster(grid.size());
    const QRect kept = reuse ? reuse->grid.intersected(grid) : QRect();
    if (!kept.isEmpty()) {
        const QImage& old = reuse->pixels;
        const int dx = kept.x() - grid.x(), ox = kept.x() - reuse->grid.x();
        ForRows(kept.top(), kept.bottom() + 1, [&](int gy) {
            std::memcpy(pixels.scanLine(gy - grid.y()) + size_t(dx) * 4,
                        old.constScanLine(gy - reuse->grid.y()) + size_t(ox) * 4, size_t(kept.width()) * 4);
        });
    }
    // What is not kept: bands above and below, then beside, the kept block.
    QRect missing[4];
    int count = 0;
    if (kept.isEmpty()) {
        missing[count++] = grid;
    } else {
        missing[count++] = QRect(grid.left(), grid.top(), grid.width(), kept.top() - grid.top());
        missing[count++] = QRect(grid.left(), kept.bottom() + 1, grid.width(), grid.bottom() - kept.bottom());
        missing[count++] = QRect(grid.left(), kept.top(), kept.left() - grid.left(), kept.height());
        missing[count++] = QRect(kept.right() + 1, kept.top(), grid.right() - kept.right(), kept.height());
    }
    const SkRect srcRect = SkRect::MakeWH(float(src.width), float(src.height));
    for (int i = 0; i < count; ++i) {
        const QRect& m = missing[i];
        if (m.isEmpty())
            continue;
        const SkPixmap out = PixmapOf(pixels, m.translated(-grid.x(), -grid.y()));
        const SkRect dstRect = SkRect::MakeXYWH(float(phaseX - m.x()), float(phaseY - m.y()), float(dst.width()),
                                                float(dst.height()));
        if (fast)
            ResampleNearest(src, srcRect, out, dstRect);
        else
            ResampleCubic(src, srcRect, out, dstRect, kMitchellB, kMitchellC);
        sampled_ += int64_t(m.width()) * m.height();
    }

    if (!reuse) {
        if (caches_.size() >= kMaxCaches)
            caches_.erase(std::min_element(caches_.begin(), caches_.end(),
                                           [](const Cache& a, const Cache& b) { return a.used < b.used; }));
        reuse = &caches_.emplace_back();
    }
    *reuse = Cache{layer.image->uniqueID(), fast, dst.width(), dst.height(), phaseX, phaseY, grid, std::move(pixels),
                   clock_};
    return *reuse;
}

const QImage& CanvasRenderer::Render(const CanvasScene& scene)
{
    sampled_ = 0;
    if (valid_ && scene == last_)
        return frame_;
    valid_ = false;
    if (frame_.size() != scene.size)
        frame_ = NewRaster(scene.size);

    const QRect frameRect(QPoint(0, 0), scene.size);
    const QRect canvas = CentreRound(scene.canvas).intersected(frameRect);
    const uint32_t background = PremultiplyColor(scene.background);
    ForRows(0, frameRect.height(), [&](int y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(frame_.scanLine(y));
        if (canvas.isEmpty() || y < canvas.top() || y > canvas.bottom()) {
            std::fill(row, row + frameRect.width(), 0u);
            return;
        }
        std::fill(row, row + canvas.left(), 0u);
        std::fill(row + canvas.left(), row + canvas.right() + 1, background);
        std::fill(row + canvas.right() + 1, row + frameRect.width(), 0u);
    });

    for (int i = 0; i < scene.layerCount; ++i) {
        const CanvasLayer& layer = scene.layers[i];
        SkPixmap probe;
        if (!layer.image || !layer.image->peekPixels(probe) || !(layer.dst.width() > 0) ||
            !(layer.dst.height() > 0))
            continue;
        const QRect area = RoundOut(layer.dst).intersected(CentreRound(layer.clip)).intersected(canvas);
        if (area.isEmpty())
            continue;
        const Cache& cache = SampleLayer(layer, area, scene.fast);
        const QRectF& dst = layer.dst;
        const int gx = area.x() - int(std::floor(dst.left())) - cache.grid.x();
        const int gy = area.y() - int(std::floor(dst.top())) - cache.grid.y();
        const bool opaque = layer.image->isOpaque();
        // Columns the picture covers fully; the edge columns are blended by coverage.
        const int fullLeft = std::max(area.left(), int(std::ceil(dst.left())));
        const int fullRight = std::min(area.right() + 1, int(std::floor(dst.right())));
        ForRows(area.top(), area.bottom() + 1, [&](int y) {
            const float cy = PixelCoverage(y, dst.top(), dst.bottom());
            // s and d are indexed by frame column from area.left() on.
            const uint32_t* s = reinterpret_cast<const uint32_t*>(cache.pixels.constScanLine(y - area.y() + gy)) +
                                gx;
            uint32_t* d = reinterpret_cast<uint32_t*>(frame_.scanLine(y)) + area.x();
            const int ax = area.x();
            int x = area.left();
            if (cy == 1.0f && opaque && fullRight > fullLeft) {
                for (; x < fullLeft; ++x)
                    d[x - ax] = BlendOver(s[x - ax], d[x - ax], PixelCoverage(x, dst.left(), dst.right()));
                std::memcpy(d + (fullLeft - ax), s + (fullLeft - ax), size_t(fullRight - fullLeft) * 4);
                x = fullRight;
            }
            for (; x <= area.right(); ++x) {
                const float c = cy * PixelCoverage(x, dst.left(), dst.right());
                const uint32_t p = s[x - ax];
                if (c == 1.0f && (p >> 24) == 255)
                    d[x - ax] = p;
                else if (p != 0)
                    d[x - ax] = BlendOver(p, d[x - ax], c);
            }
        });
    }

    // Rounded corners: pixels beyond a corner's circle fade out across its arc.
    const double r = scene.cornerRadius;
    if (r > 0 && !canvas.isEmpty()) {
        const double innerL = scene.canvas.left() + r, innerR = scene.canvas.right() - r;
        const double innerT = scene.canvas.top() + r, innerB = scene.canvas.bottom() - r;
        const int band = int(std::ceil(r)) + 1;
        const auto fade = [&](int x0, int x1, int y0, int y1) {
            x0 = std::max(x0, canvas.left()), x1 = std::min(x1, canvas.right() + 1);
            y0 = std::max(y0, canvas.top()), y1 = std::min(y1, canvas.bottom() + 1);
            for (int y = y0; y < y1; ++y) {
                uint32_t* row = reinterpret_cast<uint32_t*>(frame_.scanLine(y));
                const double py = y + 0.5;
                const double dy = std::max({innerT - py, py - innerB, 0.0});
                for (int x = x0; x < x1; ++x) {
                    const double px = x + 0.5;
                    const double dx = std::max({innerL - px, px - innerR, 0.0});
                    if (dx > 0 && dy > 0)
                        row[x] = ScalePixel(row[x], CornerCoverage(std::hypot(dx, dy), r));
                }
            }
        };
        fade(canvas.left(), canvas.left() + band, canvas.top(), canvas.top() + band);
        fade(canvas.right() + 1 - band, canvas.right() + 1, canvas.top(), canvas.top() + band);
        fade(canvas.left(), canvas.left() + band, canvas.bottom() + 1 - band, canvas.bottom() + 1);
        fade(canvas.right() + 1 - band, canvas.right() + 1, canvas.bottom() + 1 - band, canvas.bottom() + 1);
    }

    last_ = scene;
    valid_ = true;
    return frame_;
}

} // namespace pv
