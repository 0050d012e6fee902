#include "platform/graphics/Dpi300.h"

#include "ResolutionReaders.h"
#include "platform/system/Errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

namespace pv {
namespace {

using namespace pv::test;

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray JpegSegment(int marker, const QByteArray& payload)
{
    const int length = int(payload.size()) + 2;
    return Bytes({0xFF, marker, length >> 8, length & 0xFF}) + payload;
}

QByteArray JfifApp0(int units, int density)
{
    return JpegSegment(0xE0, QByteArray("JFIF\0", 5) +
                                 Bytes({1, 1, units, density >> 8, density & 0xFF, density >> 8, density & 0xFF, 0, 0}));
}

// Pieces of hand-made JPEG files, by name.
const std::map<std::string, QByteArray>& JpegPieces()
{
    static const std::map<std::string, QByteArray> pieces = {
        {"SOI", Bytes({0xFF, 0xD8})},
        {"APP0", JfifApp0(0, 1)},
        {"APP0@300", JfifApp0(1, 300)},
        {"EXIF", JpegSegment(0xE1, QByteArray("Exif\0\0MM\0*\0\0\0\x08\0\0", 16))},
        {"XMP", JpegSegment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41))},
        {"APP2", JpegSegment(0xE2, QByteArray("ICC_PROFILE\0\x01\x01", 14))},
        {"DQT", JpegSegment(0xDB, QByteArray(65, '\x01'))},
        {"SCAN", JpegSegment(0xDA, QByteArray(6, '\0')) + Bytes({0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD9})},
        {"NEW", JpegExif300Segment()},
        {"X", QByteArray("\x5A", 1)},
    };
    return pieces;
}

QByteArray Join(const std::vector<std::string>& names)
{
    QByteArray out;
    for (const auto& name : names)
        out += JpegPieces().at(name);
    return out;
}

TEST(Dpi300, ExifSegmentReadsAs300DotsPerInch)
{
    const QByteArray& segment = JpegExif300Segment();
    ASSERT_EQ(segment.size(), 76);
    EXPECT_EQ(Be(segment, 2, 2), 74u);
    const auto resolution = ExifResolution(Bytes({0xFF, 0xD8}) + segment);
    ASSERT_TRUE(resolution);
    EXPECT_EQ(resolution->x, 300.0);
    EXPECT_EQ(resolution->y, 300.0);
    EXPECT_EQ(resolution->unit, 2);
}

TEST(Dpi300, PhysChunkIs11811PerMetreWithAValidCrc)
{
    const QByteArray& chunk = PngPhys300Chunk();
    ASSERT_EQ(chunk.size(), 21);
    EXPECT_EQ(Be(chunk, 0, 4), 9u);
    EXPECT_EQ(chunk.mid(4, 4), QByteArray("pHYs"));
    EXPECT_EQ(Be(chunk, 8, 4), kPngPixelsPerMetre300Dpi);
    EXPECT_EQ(Be(chunk, 12, 4), kPngPixelsPerMetre300Dpi);
    EXPECT_EQ(chunk[16], 1);
    EXPECT_EQ(Be(chunk, 17, 4), crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), 13));
}

TEST(Dpi300, JpegSegmentPlacement)
{
    struct Case {
        const char* what;
        std::vector<std::string> in, out;
    };
    const Case cases[] = {
        {"after the JFIF APP0, density set to 300 dpi",
         {"SOI", "APP0", "DQT", "SCAN"},
         {"SOI", "APP0@300", "NEW", "DQT", "SCAN"}},
        {"old Exif before the APP0 removed",
         {"SOI", "EXIF", "APP0", "DQT", "SCAN"},
         {"SOI", "APP0@300", "NEW", "DQT", "SCAN"}},
        {"without APP0: right after the start marker", {"SOI", "APP2", "DQT"}, {"SOI", "NEW", "APP2", "DQT"}},
        {"XMP kept, old Exif after it removed",
         {"SOI", "APP0", "XMP", "EXIF", "DQT"},
         {"SOI", "APP0@300", "NEW", "XMP", "DQT"}},
        {"everything from the first other segment on kept, a later Exif segment included",
         {"SOI", "APP0", "APP2", "EXIF", "DQT", "SCAN"},
         {"SOI", "APP0@300", "NEW", "APP2", "EXIF", "DQT", "SCAN"}},
        {"an Exif segment after the tables kept",
         {"SOI", "APP0", "DQT", "EXIF", "SCAN"},
         {"SOI", "APP0@300", "NEW", "DQT", "EXIF", "SCAN"}},
        {"file ending after APP0", {"SOI", "APP0"}, {"SOI", "APP0@300", "NEW"}},
        {"a last stray byte dropped", {"SOI", "APP0", "X"}, {"SOI", "APP0@300", "NEW"}},
        {"only an old Exif", {"SOI", "EXIF"}, {"SOI", "NEW"}},
        {"segment data after the start of scan untouched",
         {"SOI", "SCAN", "EXIF"},
         {"SOI", "NEW", "SCAN", "EXIF"}},
    };
    for (const Case& c : cases) {
        const QByteArray out = JpegWithDpi300(Join(c.in));
        EXPECT_EQ(out.toHex(' '), Join(c.out).toHex(' ')) << c.what;
        EXPECT_EQ(JpegWithDpi300(out), out) << c.what << ": a second run changes nothing";
    }
}

TEST(Dpi300, JpegLeavesOtherDataAloneAndNeverReadsPastTheEnd)
{
    for (const QByteArray& other : {QByteArray(), QByteArray("\xFF", 1), QByteArray("plain text"),
                                    QByteArray("\x89PNG\r\n\x1A\n")})
        EXPECT_EQ(JpegWithDpi300(other), other);

    // Lengths that run past the end, or are too small to move on: the walk
    // stops and every byte of the input is kept after the new segment.
    const QByteArray soi = JpegPieces().at("SOI");
    for (const QByteArray& tail : {Bytes({0xFF, 0xE0, 0x40, 0x00, 'J', 'F'}), Bytes({0xFF, 0xE1, 0x00, 0x09, 'E'}),
                                   Bytes({0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xE0}), Bytes({0xFF, 0xE1, 0x00, 0x01}),
                                   Bytes({0xFF, 0xE1, 0x00})}) {
        // A detached copy exactly as long as the data, so any overread is real.
        const QByteArray in = soi + tail;
        EXPECT_EQ(JpegWithDpi300(in).toHex(' '), (soi + JpegExif300Segment() + tail).toHex(' '));
    }
    const QByteArray truncatedAfterApp0 = JpegPieces().at("SOI") + JpegPieces().at("APP0") + Bytes({0xFF, 0xDB, 0x7F});
    EXPECT_EQ(JpegWithDpi300(truncatedAfterApp0).size(), truncatedAfterApp0.size() + 76);
}

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    const uint32_t n = uint32_t(data.size());
    QByteArray body = QByteArray(type, 4) + data;
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()));
    return Bytes({int(n >> 24), int(n >> 16 & 0xFF), int(n >> 8 & 0xFF), int(n & 0xFF)}) + body +
           Bytes({int(crc >> 24), int(crc >> 16 & 0xFF), int(crc >> 8 & 0xFF), int(crc & 0xFF)});
}

const QByteArray kSignature("\x89PNG\r\n\x1A\n", 8);
const QByteArray kIhdr = PngChunk("IHDR", Bytes({0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0}));
const QByteArray kIdat = PngChunk("IDAT", QByteArray("\x78\x01\x01\x05\x00\xFA\xFF\0\0\0\0\0\0\x05\0\x01", 16));
const QByteArray kIend = PngChunk("IEND", {});
const QByteArray kPhys72 = PngChunk("pHYs", Bytes({0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}));

TEST(Dpi300, PngChunkFollowsTheHeaderOnce)
{
    const QByteArray plain = kSignature + kIhdr + kIdat + kIend;
    const QByteArray out = PngWithDpi300(plain);
    EXPECT_EQ(out.size(), plain.size() + 21);
    EXPECT_EQ(out.indexOf("pHYs"), 33 + 4);
    EXPECT_EQ(out, kSignature + kIhdr + PngPhys300Chunk() + kIdat + kIend);
    EXPECT_EQ(PngWithDpi300(out), out) << "a second run keeps one chunk";

    // An encoder's own density is replaced, wherever it sits.
    EXPECT_EQ(PngWithDpi300(kSignature + kIhdr + kPhys72 + kIdat + kIend), out);
    EXPECT_EQ(PngWithDpi300(kSignature + kIhdr + kIdat + kPhys72 + kIend), out);
    const auto phys = PngPhys(out);
    ASSERT_EQ(phys.size(), 1u);
    EXPECT_EQ(phys[0].x, 11811.0);
    EXPECT_EQ(phys[0].unit, 1);
}

TEST(Dpi300, PngLeavesOtherDataAloneAndNeverReadsPastTheEnd)
{
    QByteArray hugeHeader = kSignature + kIhdr;
    hugeHeader[8] = char(0x7F); // the header's length now runs past the end
    for (const QByteArray& other : {QByteArray(), QByteArray("plain text that is long enough"), kSignature,
                                    kSignature + kIhdr.left(20), hugeHeader})
        EXPECT_EQ(PngWithDpi300(other), other);

    QByteArray brokenIdat = kIdat;
    brokenIdat[0] = char(0xFF);
    const QByteArray out = PngWithDpi300(kSignature + kIhdr + brokenIdat + kIend);
    EXPECT_EQ(out, kSignature + kIhdr + PngPhys300Chunk() + brokenIdat + kIend);
}

TEST(Dpi300, FileRoutines)
{
    QTemporaryDir dir;
    const QString jpeg = dir.filePath("a.jpg"), text = dir.filePath("t.jpg"), png = dir.filePath("a.png");
    const auto write = [](const QString& name, const QByteArray& data) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    const auto read = [](const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    write(jpeg, Join({"SOI", "APP0", "DQT"}));
    write(text, "not a picture");
    write(png, kSignature + kIhdr + kIend);

    SetJPEGDPITo300(jpeg);
    EXPECT_EQ(read(jpeg), Join({"SOI", "APP0@300", "NEW", "DQT"}));
    SetJPEGDPITo300(text);
    EXPECT_EQ(read(text), QByteArray("not a picture"));
    EXPECT_NO_THROW(SetJPEGDPITo300(dir.filePath("missing.jpg")));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.jpg")));

    InsertPngDPI300(png);
    EXPECT_EQ(read(png), kSignature + kIhdr + PngPhys300Chunk() + kIend);
    EXPECT_THROW(InsertPngDPI300(dir.filePath("missing.png")), Exception);
    EXPECT_THROW(InsertPngDPI300(text), Exception);
    EXPECT_EQ(read(text), QByteArray("not a picture"));
}

} // namespace
} // namespace pv
