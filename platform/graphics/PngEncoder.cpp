#include "platform/graphics/PngEncoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace pv {

// Placeholder through Qt's writer; replaced by the parallel encoder.
bool EncodePng(const SkPixmap& pm, QByteArray& out, const PngOptions&)
{
    if (!pm.valid())
        return false;
    QImage view(pm.base, pm.width, pm.height, qsizetype(pm.rowBytes), QImage::Format_ARGB32_Premultiplied);
    QBuffer buffer(&out);
    if (!buffer.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&buffer, "png");
    writer.setQuality(80);
    return writer.write(view.convertToFormat(QImage::Format_ARGB32));
}

} // namespace pv
