#include "platform/graphics/Codecs.h"

#include "platform/graphics/PngEncoder.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Files.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <new>
#include <optional>

namespace pv {
namespace {

// Large enough for 50-megapixel photographs (and their 16-bit decodes).
constexpr int kAllocationLimitMB = 1024;

// Bytes the reader's picture takes in the format it decodes to.
int64_t DecodedBytes(QSize size, QImage::Format format)
{
    const int bits = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    return int64_t(size.width()) * size.height() * std::max(bits, 32) / 8;
}

// The decoded picture as a raster in sRGB.
ISkImage ToRaster(QImage&& image)
{
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace::SRgb);
    return SkImage::MakeFromQImage(std::move(image));
}

ISkImage DecodeFrom(QImageReader& reader)
{
    reader.setAllocationLimit(kAllocationLimitMB);
    reader.setAutoTransform(true);
    // The size comes from the header: after a failed read the reader no
    // longer knows it.
    const QSize size = reader.size();
    const bool tooLarge =
        size.isValid() && DecodedBytes(size, reader.imageFormat()) > int64_t(kAllocationLimitMB) * 1024 * 1024;
    if (tooLarge)
        throw std::bad_alloc();
    QImage image;
    if (!reader.read(&image)) {
        // A size the reader refused for memory reasons is an out-of-memory case,
        // not a broken file.
        if (size.isValid() && DecodedBytes(size, QImage::Format_RGB32) > int64_t(kAllocationLimitMB) * 1024 * 1024)
            throw std::bad_alloc();
        return nullptr;
    }
    return ToRaster(std::move(image));
}

// Damage the decoder itself passes over silently.
void NoteDamage(const QByteArray& data, TDecodeNotes* notes)
{
    if (notes)
        notes->Damaged = IsTruncatedJpeg(data) || IsTruncatedGif(data);
}

const QByteArray kPngSignature("\x89PNG\r\n\x1A\n", 8);

// A PNG whose ancillary chunk (text, metadata) claims more bytes than the file
// holds would have the PNG library set aside that much memory, gigabytes for a
// file of a few hundred bytes, before it finds the end. Such a file is
// decoded from the chunks before the liar, closed with an end chunk: what
// pixel data came before is kept, and a file without any fails at once.
// Returns the repaired bytes, or nothing when the file has no such chunk.
std::optional<QByteArray> WithoutOverlongPngChunk(QIODevice& in)
{
    if (in.peek(8) != kPngSignature)
        return std::nullopt;
    const qint64 size = in.size();
    const qint64 start = in.pos();
    qint64 pos = 8;
    std::optional<QByteArray> repaired;
    while (pos + 8 <= size) {
        if (!in.seek(start + pos))
            break;
        const QByteArray header = in.read(8);
        if (header.size() < 8)
            break;
        const auto* h = reinterpret_cast<const uint8_t*>(header.constData());
        const qint64 length = qint64(h[0]) << 24 | qint64(h[1]) << 16 | qint64(h[2]) << 8 | h[3];
        const bool ancillary = (h[4] & 0x20) != 0;
        if (pos + 12 + length > size) {
            if (ancillary) {
                in.seek(start);
                QByteArray kept = in.read(pos);
                kept += QByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
                repaired = std::move(kept);
            }
            break; // a critical chunk cut short is the decoder's to judge
        }
        pos += 12 + length;
    }
    in.seek(start);
    return repaired;
}

ISkImage DecodeWithin(QImageReader& reader, int maxSide, QSize* tooLarge)
{
    const QSize size = reader.size();
    if (maxSide <= 0 || (size.isValid() && (size.width() > maxSide || size.height() > maxSide))) {
        if (tooLarge && size.isValid())
            *tooLarge = size;
        return nullptr;
    }
    // Formats whose header gives no size are held to the same bound by the allocation limit.
    const int64_t limitBytes = int64_t(maxSide) * maxSide * 4;
    reader.setAllocationLimit(int(std::min<int64_t>(kAllocationLimitMB, limitBytes / (1024 * 1024) + 1)));
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image))
        return nullptr;
    if (image.width() > maxSide || image.height() > maxSide) {
        if (tooLarge)
            *tooLarge = image.size();
        return nullptr;
    }
    return ToRaster(std::move(image));
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

bool IsTruncatedJpeg(const QByteArray& data)
{
    const auto* d = reinterpret_cast<const uint8_t*>(data.constData());
    const qsizetype n = data.size();
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8)
        return false;
    // Walk the header segments to the first scan; its entropy-coded data
    // never holds FF D9, so the end-of-image marker after it shows the data
    // is all there (camera trailers may follow it).
    qsizetype pos = 2;
    while (pos + 4 <= n) {
        if (d[pos] != 0xFF)
            return false; // not a layout this check knows: the decoder judges
        const uint8_t marker = d[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD9)
            return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            pos += 2;
            continue;
        }
        pos += 2 + (qsizetype(d[pos + 2]) << 8 | d[pos + 3]);
        if (marker == 0xDA)
            return pos > n || data.indexOf(QByteArrayView("\xFF\xD9", 2), pos) < 0;
    }
    return true;
}

bool IsTruncatedGif(const QByteArray& data)
{
    // Every GIF ends with its trailer byte ';'.
    return data.startsWith("GIF8") && !data.endsWith(';');
}

ISkImage DecodeImageFile(const QString& path, TDecodeNotes* notes)
{
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            if (const std::optional<QByteArray> repaired = WithoutOverlongPngChunk(file)) {
                ISkImage image = DecodeImageData(*repaired);
                if (notes)
                    notes->Damaged = true;
                return image;
            }
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    ISkImage image = DecodeFrom(reader);
    if (image && notes) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && (file.peek(2) == "\xFF\xD8" || file.peek(4) == "GIF8"))
            NoteDamage(file.readAll(), notes);
    }
    return image;
}

ISkImage DecodeImageData(const QByteArray& data, TDecodeNotes* notes)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    if (const std::optional<QByteArray> repaired = WithoutOverlongPngChunk(buffer)) {
        ISkImage image = DecodeImageData(*repaired);
        if (notes)
            notes->Damaged = true;
        return image;
    }
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    ISkImage image = DecodeFrom(reader);
    if (image)
        NoteDamage(data, notes);
    return image;
}

ISkImage DecodeImageFileWithin(const QString& path, int maxSide, QSize* tooLarge)
{
    if (tooLarge)
        *tooLarge = QSize();
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            if (const std::optional<QByteArray> repaired = WithoutOverlongPngChunk(file))
                return DecodeImageDataWithin(*repaired, maxSide, tooLarge);
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return DecodeWithin(reader, maxSide, tooLarge);
}

ISkImage DecodeImageDataWithin(const QByteArray& data, int maxSide, QSize* tooLarge)
{
    if (tooLarge)
        *tooLarge = QSize();
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    if (const std::optional<QByteArray> repaired = WithoutOverlongPngChunk(buffer))
        return DecodeImageDataWithin(*repaired, maxSide, tooLarge);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return DecodeWithin(reader, maxSide, tooLarge);
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
