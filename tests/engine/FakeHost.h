#pragma once
// A stand-in main window that records what the engine asks of it.

#include "engine/EngineHost.h"
#include "engine/Graphics.h"
#include "platform/graphics/SkImage.h"

#include <QCoreApplication>
#include <QObject>

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
