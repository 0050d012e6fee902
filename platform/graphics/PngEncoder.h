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
// smallest exact colour type. Returns false on failure; throws std::bad_alloc
// when memory runs out.
bool EncodePng(const SkPixmap& pixels, QByteArray& out, const PngOptions& options = {});

// Rows deflated together as one piece of the picture's stream (0 for an
// invalid pixmap); depends on the picture's width and colour type only.
int PngRowsPerBand(const SkPixmap& pixels);

} // namespace pv
