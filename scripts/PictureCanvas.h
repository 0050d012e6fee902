#pragma once
// A raster to draw a new picture on, handed over as the picture when done
// without the copy a surface snapshot makes: a 12-megapixel picture is 48 MB,
// and every script command makes a new one.

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"

#include <QImage>

#include <memory>

namespace pv {

class TPictureCanvas {
public:
    // A transparent raster; invalid for an empty or absurd size.
    static TPictureCanvas Blank(int width, int height);
    // A raster holding a copy of the picture; invalid without a picture.
    static TPictureCanvas CopyOf(const ISkImage& picture);

    TPictureCanvas(TPictureCanvas&&) = default;
    TPictureCanvas& operator=(TPictureCanvas&&) = default;

    bool valid() const { return surface_ != nullptr; }
    // The surface to draw on or to hand to an effect.
    const ISkSurface& surface() const { return surface_; }
    SkCanvas* canvas() const { return surface_->getCanvas(); }
    // Ends drawing and returns the raster as a picture. Falls back to a
    // snapshot when something still holds the surface.
    ISkImage finish();

private:
    // The raster and the surface over it live together: a surface handed out
    // keeps its memory alive however long it is held.
    struct Raster {
        QImage pixels;
        ISkSurface direct;
    };
    TPictureCanvas() = default;
    explicit TPictureCanvas(QImage&& raster);
    std::shared_ptr<Raster> raster_;
    ISkSurface surface_;
};

} // namespace pv
