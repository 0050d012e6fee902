#include "platform/graphics/Codecs.h"

#include "platform/graphics/PngEncoder.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Files.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <new>

namespace pv {
namespace {

// Large enough for 50-megapixel photographs (and their 16-bit decodes).
constexpr int kAllocationLimitMB = 1024;

ISkImage DecodeFrom(QImageReader& reader)
{
    reader.setAllocationLimit(kAllocationLimitMB);
    reader.setAutoTransform(false);
    QImage image;
    if (!reader.read(&image)) {
        // A size the reader refused for memory reasons is an out-of-memory case,
        // not a broken file.
        const QSize size = reader.size();
        if (size.isValid() && int64_t(size.width()) * size.height() * 4 > int64_t(kAllocationLimitMB) * 1024 * 1024)
            throw std::bad_alloc();
        return nullptr;
    }
    return SkImage::MakeFromQImage(std::move(image));
}

ISkImage DecodeWithin(QImageReader& reader, int maxSide)
{
    const QSize size = reader.size();
    if (maxSide <= 0 || (size.isValid() && (size.width() > maxSide || size.height() > maxSide)))
        return nullptr;
    // Formats whose header gives no size are held to the same bound by the allocation limit.
    const int64_t limitBytes = int64_t(maxSide) * maxSide * 4;
    reader.setAllocationLimit(int(std::min<int64_t>(kAllocationLimitMB, limitBytes / (1024 * 1024) + 1)));
    reader.setAutoTransform(false);
    QImage image;
    if (!reader.read(&image) || image.width() > maxSide || image.height() > maxSide)
        return nullptr;
    return SkImage::MakeFromQImage(std::move(image));
}

} // namespace

ImageFileFormat FormatFromExtension(const QString& path)
{
    const QString ext = LowerExtension(path);
    if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        return ImageFileFormat::Jpeg;
    if (ext == QLatin1String(".png"))
        return ImageFileFormat::Png;
    if (ext == QLatin1String(".webp"))
        return ImageFileFormat::Webp;
    return ImageFileFormat::Unknown;
}

ISkImage DecodeImageFile(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return DecodeFrom(reader);
}

ISkImage DecodeImageData(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return DecodeFrom(reader);
}

ISkImage DecodeImageFileWithin(const QString& path, int maxSide)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return DecodeWithin(reader, maxSide);
}

ISkImage DecodeImageDataWithin(const QByteArray& data, int maxSide)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return DecodeWithin(reader, maxSide);
}

bool EncodeImage(const ISkImage& image, ImageFileFormat format, int quality, QByteArray& out)
{
    out.clear();
    if (!image || image->width() <= 0 || image->height() <= 0)
        return false;
    if (format == ImageFileFormat::Png) {
        SkPixmap pm;
        return image->peekPixels(pm) && EncodePng(pm, out);
    }
    const char* name = format == ImageFileFormat::Jpeg ? "jpeg" : format == ImageFileFormat::Webp ? "webp" : nullptr;
    if (!name)
        return false;
    QBuffer buffer(&out);
    if (!buffer.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&buffer, name);
    writer.setQuality(quality);
    // Both formats store straight colour; JPEG has no alpha channel at all.
    // Effect results are rarely flagged opaque although every pixel is: for
    // those the raster is handed over as it is instead of converted.
    const QImage& src = image->qimage();
    SkPixmap pm;
    const bool opaque = image->isOpaque() || (image->peekPixels(pm) && !HasTranslucentPixel(pm));
    bool ok;
    if (opaque) {
        const QImage view(src.constBits(), src.width(), src.height(), src.bytesPerLine(), QImage::Format_RGB32);
        ok = writer.write(view);
    } else {
        ok = writer.write(src.convertToFormat(format == ImageFileFormat::Jpeg ? QImage::Format_RGB32
                                                                              : QImage::Format_ARGB32));
    }
    if (!ok)
        out.clear();
    return ok;
}

} // namespace pv
