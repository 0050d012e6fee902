#pragma once
// The canvas's frame: the workspace background inside the canvas's rounded
// rectangle with the pictures drawn over it, in device pixels.
//
// Only what is visible is sampled. Each picture keeps the pixels it last
// produced (per picture, zoom and sub-pixel phase), so a view that moved by
// whole pixels, as a pan or a divider drag does, samples only the strips that
// came into view, and a repaint of an unchanged view costs nothing.

#include "platform/graphics/SkTypes.h"
#include "platform/widgets/DesignColours.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <vector>

namespace pv {

// The canvas background of the dark theme.
constexpr TAlphaColor kWorkspaceColor = kBackgroundWorkspace;
// Radius of the canvas's rounded corners in logical pixels.
constexpr float kCanvasCornerRadius = 15.0f;

struct CanvasLayer {
    ISkImage image;
    QRectF dst;  // where the whole picture lands
    QRectF clip; // pixels whose centres lie inside show it
};

struct CanvasScene {
    QSize size;                  // the frame
    TAlphaColor background = kWorkspaceColor;
    QRectF canvas;               // the canvas's rectangle: background, rounded corners
    float cornerRadius = kCanvasCornerRadius;
    CanvasLayer layers[2];
    int layerCount = 0;
    bool fast = false;           // nearest sampling, for gestures; cubic (Mitchell) otherwise

    bool operator==(const CanvasScene& other) const;
};

// Coverage of the pixel [x, x + 1) by the span [from, to): 0..1.
float PixelCoverage(int x, double from, double to);
// Coverage of the pixel at distance d (centre to centre) from a corner's
// circle of radius r: 1 inside, 0 outside, a one-pixel ramp across the arc.
float CornerCoverage(double d, double r);

class CanvasRenderer {
public:
    // The frame of the scene (Format_ARGB32_Premultiplied, transparent outside
    // the canvas). Throws std::bad_alloc when memory runs out.
    const QImage& Render(const CanvasScene& scene);
    // Forgets every cached pixel.
    void Clear();

    // Pixels sampled by the last Render (a benchmark and test probe).
    int64_t LastSampledPixels() const { return sampled_; }

private:
    struct Cache {
        uint64_t id = 0;
        bool fast = false;
        double width = 0, height = 0; // the picture's size on the frame
        double phaseX = 0, phaseY = 0; // sub-pixel position of its corner
        QRect grid;                    // cached pixels, relative to the corner's whole pixel
        QImage pixels;
        uint64_t used = 0;
    };

    const Cache& SampleLayer(const CanvasLayer& layer, const QRect& area, bool fast);

    QImage frame_;
    CanvasScene last_;
    bool valid_ = false;
    std::vector<Cache> caches_;
    uint64_t clock_ = 0;
    int64_t sampled_ = 0;
};

} // namespace pv
