#include "platform/graphics/Dpi300.h"

#include "platform/system/Errors.h"
#include "platform/system/Files.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace pv {
namespace {

constexpr uint8_t kExif300[76] = {
    0xFF, 0xE1, 0x00, 0x4A,                         // APP1, length 74
    'E',  'x',  'i',  'f',  0x00, 0x00,             // identifier
    'I',  'I',  0x2A, 0x00, 0x08, 0x00, 0x00, 0x00, // little-endian TIFF header, first IFD at 8
    0x03, 0x00,                                     // three entries
    0x1A, 0x01, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, // XResolution at 50
    0x1B, 0x01, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x3A, 0x00, 0x00, 0x00, // YResolution at 58
    0x28, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, // ResolutionUnit: inch
    0x00, 0x00, 0x00, 0x00,                         // no next IFD
    0x2C, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, // 300 / 1
    0x2C, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, // 300 / 1
};

constexpr uint8_t kPhys300[21] = {
    0x00, 0x00, 0x00, 0x09, 'p',  'H',  'Y',  's',  // length 9, type
    0x00, 0x00, 0x2E, 0x23, 0x00, 0x00, 0x2E, 0x23, // 11811 x 11811
    0x01,                                           // per metre
    0x78, 0xA5, 0x3F, 0x76,                         // CRC-32 of type and data
};

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

constexpr uint8_t kAPP0 = 0xE0, kAPP1 = 0xE1;

uint32_t BigEndian16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint64_t BigEndian32(const uint8_t* p)
{
    return uint64_t(p[0]) << 24 | uint64_t(p[1]) << 16 | uint64_t(p[2]) << 8 | p[3];
}

// The first APP0 of a JFIF file declares a density of its own; readers that
// look there must see the same 300 dpi as those that read Exif.
void SetJfifDensity300(char* segment, uint32_t length)
{
    auto* s = reinterpret_cast<uint8_t*>(segment);
    if (length < 16 || std::memcmp(s + 4, "JFIF\0", 5) != 0)
        return;
    s[11] = 1; // dots per inch
    s[12] = 0x01;
    s[13] = 0x2C;
    s[14] = 0x01;
    s[15] = 0x2C;
}

QByteArray ReadWholeFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\": %2").arg(FileName, file.errorString()).toStdString());
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception(QStringLiteral("Cannot read file \"%1\": %2").arg(FileName, file.errorString()).toStdString());
    return data;
}

void WriteWholeFile(const QString& FileName, const QByteArray& data)
{
    QString why;
    if (!WriteFileAtomically(FileName, data, &why))
        throw Exception(QStringLiteral("Cannot write file \"%1\": %2").arg(FileName, why).toStdString());
}

} // namespace

const QByteArray& JpegExif300Segment()
{
    static const QByteArray segment = QByteArray::fromRawData(reinterpret_cast<const char*>(kExif300), 76);
    return segment;
}

const QByteArray& PngPhys300Chunk()
{
    static const QByteArray chunk = QByteArray::fromRawData(reinterpret_cast<const char*>(kPhys300), 21);
    return chunk;
}

QByteArray JpegWithDpi300(const QByteArray& jpeg)
{
    const auto* d = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8)
        return jpeg;

    QByteArray out;
    out.reserve(n + JpegExif300Segment().size());
    out.append(jpeg.constData(), 2);
    bool inserted = false;
    const auto insert = [&] {
        if (!inserted)
            out.append(JpegExif300Segment());
        inserted = true;
    };

    // The walk covers the APP0 and APP1 segments at the head of the file; the
    // first other marker and everything after it are kept as they are.
    qsizetype pos = 2;
    while (pos + 4 <= n && d[pos] == 0xFF && (d[pos + 1] == kAPP0 || d[pos + 1] == kAPP1)) {
        const uint8_t marker = d[pos + 1];
        const uint32_t length = BigEndian16(d + pos + 2);
        if (length < 2 || qsizetype(length) > n - pos - 2)
            break;
        const qsizetype size = 2 + qsizetype(length);
        const bool oldExif = marker == kAPP1 && length >= 8 && std::memcmp(d + pos + 4, "Exif\0\0", 6) == 0;
        if (!oldExif) {
            const qsizetype at = out.size();
            out.append(jpeg.constData() + pos, size);
            if (marker == kAPP0 && !inserted) {
                SetJfifDensity300(out.data() + at, length);
                insert();
            }
        }
        pos += size;
    }
    insert();
    // A single byte left after the header is no segment of any kind.
    if (n - pos > 1)
        out.append(jpeg.constData() + pos, n - pos);
    return out;
}

bool IsPngWithHeader(const QByteArray& data)
{
    const auto* d = reinterpret_cast<const uint8_t*>(data.constData());
    const qsizetype n = data.size();
    return n >= 8 + 12 && std::memcmp(d, kPngSignature, 8) == 0 && BigEndian32(d + 8) <= uint64_t(n - 8 - 12);
}

QByteArray PngWithDpi300(const QByteArray& png)
{
    if (!IsPngWithHeader(png))
        return png;
    const auto* d = reinterpret_cast<const uint8_t*>(png.constData());
    const qsizetype n = png.size();

    QByteArray out;
    out.reserve(n + PngPhys300Chunk().size());
    out.append(png.constData(), 8);
    bool inserted = false;
    qsizetype pos = 8;
    while (pos + 12 <= n) {
        const uint64_t length = BigEndian32(d + pos);
        if (length > uint64_t(n - pos - 12))
            break;
        const qsizetype size = 12 + qsizetype(length);
        if (std::memcmp(d + pos + 4, "pHYs", 4) != 0) {
            out.append(png.constData() + pos, size);
            if (!inserted)
                out.append(PngPhys300Chunk());
            inserted = true;
        }
        pos += size;
    }
    if (!inserted)
        return png;
    out.append(png.constData() + pos, n - pos);
    return out;
}

void SetJPEGDPITo300(const QString& FileName)
{
    if (!QFileInfo::exists(FileName))
        return;
    const QByteArray data = ReadWholeFile(FileName);
    if (data.startsWith("\xFF\xD8"))
        WriteWholeFile(FileName, JpegWithDpi300(data));
}

void InsertPngDPI300(const QString& FileName)
{
    const QByteArray data = ReadWholeFile(FileName);
    if (!IsPngWithHeader(data))
        throw Exception(QStringLiteral("Not a PNG file: \"%1\"").arg(FileName).toStdString());
    WriteWholeFile(FileName, PngWithDpi300(data));
}

} // namespace pv
