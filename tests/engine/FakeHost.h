#pragma once
// A stand-in main window that records what the engine asks of it.

#include "engine/EngineHost.h"
#include "engine/Effect.h"
#include "platform/graphics/SkImage.h"

#include <QCoreApplication>
#include <QObject>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace pv::test {

class FakeHost : public TEngineHost {
public:
    FakeHost() { SetEngineHost(this); }
    ~FakeHost() override { SetEngineHost(nullptr); }

    void UpdateProgressBar(int percent) override { progress.push_back(percent); }
    void ShowPreviewBox(const ISkImage& snapshot, int percent) override
    {
        previews.push_back(snapshot);
        previewPercents.push_back(percent);
    }
    void RedrawCanvas() override { ++redraws; }
    QObject* QueuedCallContext() override { return &context; }

    std::vector<int> progress;
    std::vector<ISkImage> previews;
    std::vector<int> previewPercents;
    int redraws = 0;
    QObject context;
};

// Runs the queued calls waiting on this thread's event loop.
inline void DrainEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A picture filled with one premultiplied pixel value.
inline ISkImage SolidImage(int w, int h, uint32_t pixel)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(pixel);
    return SkImage::MakeFromRaster(std::move(img));
}

inline uint32_t PixelAt(const ISkSurface& s, int x, int y)
{
    SkPixmap pm;
    s->peekPixels(pm);
    return pm.at(x, y);
}

// A w x h picture from premultiplied pixels listed row after row.
inline ISkImage ImageFromPixels(int w, int h, const std::vector<uint32_t>& pixels)
{
    return SkImage::MakeRasterCopy(pixels.data(), w, h, size_t(w) * 4);
}

// Every pixel of a picture, row after row.
inline std::vector<uint32_t> AllPixels(const ISkImage& image)
{
    SkPixmap pm;
    std::vector<uint32_t> out;
    if (image && image->peekPixels(pm))
        for (int y = 0; y < pm.height; ++y)
            out.insert(out.end(), pm.row(y), pm.row(y) + pm.width);
    return out;
}

// Runs an effect by number on a fresh transparent surface of the picture's size.
inline ISkSurface RunEffect(int number, const ISkImage& image, int P1, int P2, int P3, int P4, int P5,
                            bool preview = false)
{
    const ISkSurface dest = SkSurface::MakeRaster(image->width(), image->height());
    ProcessEffectOnSurface(image, dest, number, P1, P2, P3, P4, P5, preview);
    return dest;
}

// Every pixel an effect, run by number, paints on a fresh transparent surface
// of the picture's size, row after row.
inline std::vector<uint32_t> EffectPixels(int number, const ISkImage& image, int P1, int P2, int P3, int P4, int P5,
                                          bool preview = false)
{
    return AllPixels(RunEffect(number, image, P1, P2, P3, P4, P5, preview)->makeImageSnapshot());
}

// True when no colour channel of any pixel exceeds its alpha.
inline bool AllValidPremultiplied(const std::vector<uint32_t>& pixels)
{
    for (const uint32_t p : pixels) {
        const uint32_t a = p >> 24;
        if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
            return false;
    }
    return true;
}

// A w x h opaque test picture: a dark disc on a light gradient, with a
// darker band, so edges, flat parts and several tones all occur.
inline ISkImage DrawingFixture(int w, int h)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            const bool disc = dx * dx + dy * dy < (h / 4) * (h / 4);
            const uint32_t v = disc ? 30u : (y < h / 5 ? 110u : uint32_t(170 + 80 * x / std::max(1, w)));
            px.push_back(0xFF000000u | std::min(255u, v + 20) << 16 | v << 8 | (v * 3 / 4));
        }
    return ImageFromPixels(w, h, px);
}

// Runs f with the shared pool at one worker and again at eight, and returns
// both results (the pool is back at its default size afterwards).
template <typename F>
auto OnOneAndEightWorkers(F f)
{
    SetSharedPoolWorkers(1);
    auto one = f();
    SetSharedPoolWorkers(8);
    auto eight = f();
    SetSharedPoolWorkers(0);
    return std::pair{std::move(one), std::move(eight)};
}

} // namespace pv::test
