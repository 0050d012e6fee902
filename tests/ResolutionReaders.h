#pragma once
// Independent readers of the resolution records in JPEG and PNG bytes, so the
// tests check what a metadata reader would see, not the bytes they expect.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace pv::test {

struct Block {
    QString name;     // JPEG: "FFE0"...; PNG: chunk type
    QByteArray data;  // JPEG: payload after the length; PNG: chunk data
};

inline uint32_t Be(const QByteArray& b, qsizetype at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | uint8_t(b[at + i]);
    return v;
}

// Header segments of a JPEG up to the start of scan (or the first unparseable byte).
inline std::vector<Block> JpegSegments(const QByteArray& jpeg)
{
    std::vector<Block> out;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && uint8_t(jpeg[pos]) == 0xFF && uint8_t(jpeg[pos + 1]) != 0xDA) {
        const uint32_t length = Be(jpeg, pos + 2, 2);
        if (length < 2 || pos + 2 + length > uint32_t(jpeg.size()))
            break;
        out.push_back({QString::number(uint8_t(jpeg[pos + 1]) | 0xFF00, 16).toUpper(), jpeg.mid(pos + 4, length - 2)});
        pos += 2 + length;
    }
    return out;
}

inline int CountExifSegments(const QByteArray& jpeg)
{
    int count = 0;
    for (const Block& s : JpegSegments(jpeg))
        count += s.name == QLatin1String("FFE1") && s.data.startsWith(QByteArray("Exif\0\0", 6));
    return count;
}

struct Resolution {
    double x = 0, y = 0;
    int unit = 0; // Exif: 2 inch; JFIF: 1 inch; PNG: 1 metre
};

// XResolution, YResolution and ResolutionUnit of the first IFD of the first Exif segment.
inline std::optional<Resolution> ExifResolution(const QByteArray& jpeg)
{
    for (const Block& s : JpegSegments(jpeg)) {
        if (s.name != QLatin1String("FFE1") || !s.data.startsWith(QByteArray("Exif\0\0", 6)))
            continue;
        const QByteArray tiff = s.data.mid(6);
        const bool little = tiff.startsWith("II");
        const auto get = [&](qsizetype at, int bytes) -> uint32_t {
            if (at < 0 || at + bytes > tiff.size())
                return 0;
            uint32_t v = 0;
            for (int i = 0; i < bytes; ++i)
                v |= uint32_t(uint8_t(tiff[at + (little ? i : bytes - 1 - i)])) << (8 * i);
            return v;
        };
        if (get(2, 2) != 42)
            return std::nullopt;
        const uint32_t ifd = get(4, 4);
        Resolution r;
        for (uint32_t e = 0; e < get(ifd, 2); ++e) {
            const qsizetype entry = ifd + 2 + 12 * e;
            const uint32_t tag = get(entry, 2), value = get(entry + 8, 4);
            const auto rational = [&] { return get(value + 4, 4) ? double(get(value, 4)) / get(value + 4, 4) : 0.0; };
            if (tag == 0x011A)
                r.x = rational();
            else if (tag == 0x011B)
                r.y = rational();
            else if (tag == 0x0128)
                r.unit = int(get(entry + 8, 2));
        }
        return r;
    }
    return std::nullopt;
}

// Density of a JFIF APP0 segment.
inline std::optional<Resolution> JfifDensity(const QByteArray& jpeg)
{
    for (const Block& s : JpegSegments(jpeg))
        if (s.name == QLatin1String("FFE0") && s.data.startsWith(QByteArray("JFIF\0", 5)) && s.data.size() >= 12)
            return Resolution{double(Be(s.data, 8, 2)), double(Be(s.data, 10, 2)), uint8_t(s.data[7])};
    return std::nullopt;
}

inline std::vector<Block> PngChunks(const QByteArray& png)
{
    std::vector<Block> out;
    qsizetype pos = 8;
    while (pos + 12 <= png.size()) {
        const uint32_t length = Be(png, pos, 4);
        if (pos + 12 + qsizetype(length) > png.size())
            break;
        out.push_back({QString::fromLatin1(png.mid(pos + 4, 4)), png.mid(pos + 8, length)});
        pos += 12 + length;
    }
    return out;
}

// Every pHYs chunk of a PNG.
inline std::vector<Resolution> PngPhys(const QByteArray& png)
{
    std::vector<Resolution> out;
    for (const Block& c : PngChunks(png))
        if (c.name == QLatin1String("pHYs") && c.data.size() == 9)
            out.push_back({double(Be(c.data, 0, 4)), double(Be(c.data, 4, 4)), uint8_t(c.data[8])});
    return out;
}

} // namespace pv::test
