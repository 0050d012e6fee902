#pragma once
// A fast lossless PNG writer for premultiplied pictures.

#include "platform/graphics/SkTypes.h"

#include <QByteArray>

namespace pv {

// Options the 300-dpi writers and others may set.
struct PngOptions {
    // Pixels per metre written as a pHYs chunk; 0 writes none.
    uint32_t pixelsPerMetre = 0;
};

// Encodes premultiplied BGRA pixels as PNG, un-premultiplying and choosing the
// smallest exact colour type. Returns false on failure.
bool EncodePng(const SkPixmap& pixels, QByteArray& out, const PngOptions& options = {});

} // namespace pv
