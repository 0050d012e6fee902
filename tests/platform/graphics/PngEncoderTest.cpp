#include "platform/graphics/PngEncoder.h"
#include "platform/graphics/SkImage.h"

#include <QImage>
#include <gtest/gtest.h>
#include <tbb/task_arena.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

namespace pv {
namespace {

// A premultiplied raster built pixel by pixel.
struct Picture {
    int width, height;
    std::vector<uint32_t> pixels;

    Picture(int w, int h, const std::function<uint32_t(int, int)>& pixel) : width(w), height(h), pixels(size_t(w) * h)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels[size_t(y) * w + x] = pixel(x, y);
    }
    SkPixmap pixmap() const
    {
        return {reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(pixels.data())), width, height, size_t(width) * 4};
    }
};

struct Chunk {
    std::string type;
    QByteArray data;
};

uint32_t BE32(const char* p)
{
    auto b = [p](int i) { return uint32_t(uint8_t(p[i])); };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

// The file's chunks in order; fails the test on a bad signature, length or CRC.
std::vector<Chunk> Chunks(const QByteArray& png)
{
    std::vector<Chunk> chunks;
    EXPECT_TRUE(png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)));
    for (qsizetype at = 8; at < png.size();) {
        if (at + 12 > png.size()) {
            ADD_FAILURE() << "truncated chunk at " << at;
            break;
        }
        const qsizetype n = BE32(png.constData() + at);
        if (at + 12 + n > png.size()) {
            ADD_FAILURE() << "chunk longer than the file at " << at;
            break;
        }
        const auto* typeAndData = reinterpret_cast<const Bytef*>(png.constData() + at + 4);
        EXPECT_EQ(BE32(png.constData() + at + 8 + n), uint32_t(crc32(0, typeAndData, uInt(n + 4))));
        chunks.push_back({png.mid(at + 4, 4).toStdString(), png.mid(at + 8, n)});
        at += 12 + n;
    }
    return chunks;
}

// What Qt's reader gives back, as premultiplied pixels.
std::vector<uint32_t> Decode(const QByteArray& png, int w, int h)
{
    const ISkImage image = SkImage::MakeFromQImage(QImage::fromData(png, "png"));
    if (!image || image->width() != w || image->height() != h)
        return {};
    std::vector<uint32_t> pixels(size_t(w) * h);
    image->readPixels(pixels.data(), size_t(w) * 4);
    return pixels;
}

// The pixels a lossless round trip must give: straight colour is all the file
// holds, so translucent pixels come back re-premultiplied.
std::vector<uint32_t> Expected(const Picture& pic)
{
    std::vector<uint32_t> out;
    for (uint32_t p : pic.pixels)
        out.push_back(PremultiplyColor(UnpremultiplyPixel(p)));
    return out;
}

// A fixed pseudo-random byte per pixel, independent of the process generator.
uint32_t Noise(int x, int y)
{
    uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return (h ^ (h >> 15)) & 0xFF;
}

uint32_t Grey(uint32_t a, uint32_t v) { return a << 24 | v << 16 | v << 8 | v; }

TEST(PngEncoder, ChoosesTheSmallestExactColourType)
{
    struct Case {
        const char* name;
        Picture picture;
        int colourType, bitDepth;
    };
    const Case cases[] = {
        {"black and white", Picture(13, 5, [](int x, int y) { return (x + y) % 3 ? kColorWhite : kColorBlack; }), 0, 1},
        {"one pixel white", Picture(1, 1, [](int, int) { return kColorWhite; }), 0, 1},
        {"grey", Picture(16, 16, [](int x, int y) { return Grey(255, uint32_t(y * 16 + x)); }), 0, 8},
        {"one dark grey among black and white",
         Picture(9, 3, [](int x, int y) { return x == 4 && y == 1 ? Grey(255, 1) : kColorWhite; }), 0, 8},
        {"colour", Picture(17, 9, [](int x, int y) { return MakeColor(255, uint8_t(x * 15), uint8_t(y * 28), 9); }), 2,
         8},
        {"grey with alpha", Picture(16, 16, [](int x, int y) { return Grey(uint32_t(x * 17), uint32_t(y * x)); }), 4, 8},
        {"fully transparent", Picture(5, 4, [](int, int) { return 0u; }), 4, 8},
        {"black and white with one hole",
         Picture(8, 8, [](int x, int y) { return x == 3 && y == 3 ? 0u : (x & 1 ? kColorWhite : kColorBlack); }), 4, 8},
        {"colour with alpha",
         Picture(16, 16,
                 [](int x, int y) { return PremultiplyColor(MakeColor(uint8_t(x * 17), uint8_t(y * 16), 200, 40)); }),
         6, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray png;
        ASSERT_TRUE(EncodePng(c.picture.pixmap(), png));
        const std::vector<Chunk> chunks = Chunks(png);
        ASSERT_GE(chunks.size(), 3u);
        ASSERT_EQ(chunks[0].type, "IHDR");
        ASSERT_EQ(chunks[0].data.size(), 13);
        EXPECT_EQ(BE32(chunks[0].data.constData()), uint32_t(c.picture.width));
        EXPECT_EQ(BE32(chunks[0].data.constData() + 4), uint32_t(c.picture.height));
        EXPECT_EQ(int(chunks[0].data[8]), c.bitDepth);
        EXPECT_EQ(int(chunks[0].data[9]), c.colourType);
        EXPECT_EQ(Decode(png, c.picture.width, c.picture.height), Expected(c.picture));
    }
}

TEST(PngEncoder, OneBitRowsOfAnyWidthRoundTrip)
{
    for (int width : {1, 7, 8, 9, 15, 33}) {
        SCOPED_TRACE(width);
        const Picture pic(width, 4, [](int x, int y) { return Noise(x, y) & 1 ? kColorWhite : kColorBlack; });
        QByteArray png;
        ASSERT_TRUE(EncodePng(pic.pixmap(), png));
        EXPECT_EQ(int(png[8 + 8 + 8]), 1); // IHDR bit depth
        EXPECT_EQ(Decode(png, pic.width, 4), pic.pixels);
    }
}

TEST(PngEncoder, TranslucentGradientKeepsEveryStraightValue)
{
    // Every alpha against a spread of colours, plus colour above alpha (which
    // un-premultiplies to the clamped 255).
    const Picture pic(256, 64, [](int x, int y) {
        if (y == 63)
            return uint32_t(x) << 24 | 0x00FFFFFFu;
        return PremultiplyColor(MakeColor(uint8_t(x), uint8_t(y * 4), uint8_t(255 - y * 4), uint8_t((x * 7 + y) & 0xFF)));
    });
    QByteArray png;
    ASSERT_TRUE(EncodePng(pic.pixmap(), png));
    EXPECT_EQ(int(png[8 + 8 + 9]), 6);
    EXPECT_EQ(Decode(png, 256, 64), Expected(pic));
}

TEST(PngEncoder, WritesPhysicalSizeOnlyWhenAsked)
{
    const Picture pic(6, 6, [](int x, int y) { return Grey(255, uint32_t(x * y)); });
    for (uint32_t ppm : {0u, 11811u}) {
        SCOPED_TRACE(ppm);
        QByteArray png;
        ASSERT_TRUE(EncodePng(pic.pixmap(), png, PngOptions{ppm}));
        const std::vector<Chunk> chunks = Chunks(png);
        std::vector<std::string> types;
        for (const Chunk& c : chunks)
            types.push_back(c.type);
        if (ppm == 0) {
            EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
            continue;
        }
        ASSERT_EQ(types, (std::vector<std::string>{"IHDR", "pHYs", "IDAT", "IEND"}));
        ASSERT_EQ(chunks[1].data.size(), 9);
        EXPECT_EQ(BE32(chunks[1].data.constData()), ppm);
        EXPECT_EQ(BE32(chunks[1].data.constData() + 4), ppm);
        EXPECT_EQ(int(chunks[1].data[8]), 1);
        EXPECT_EQ(QImage::fromData(png, "png").dotsPerMeterX(), int(ppm));
    }
}

TEST(PngEncoder, LargePictureSpansBandsAndChunksAndIgnoresThreadCount)
{
    for (bool translucent : {false, true}) {
        SCOPED_TRACE(translucent);
        const Picture pic(700, 700, [translucent](int x, int y) {
            const uint32_t a = translucent ? 128 + (Noise(y, x) & 127) : 255;
            // Noise in every channel keeps the stream above one IDAT chunk.
            return PremultiplyColor(MakeColor(uint8_t(a), uint8_t(Noise(x, y)), uint8_t(Noise(y, x)), uint8_t(Noise(x, y + 1))));
        });
        ASSERT_GT(700 / PngRowsPerBand(pic.pixmap()), 3);
        QByteArray png;
        ASSERT_TRUE(EncodePng(pic.pixmap(), png));
        int idats = 0;
        for (const Chunk& c : Chunks(png))
            idats += c.type == "IDAT";
        EXPECT_GT(idats, 1);
        EXPECT_EQ(Decode(png, 700, 700), Expected(pic));

        QByteArray single;
        tbb::task_arena(1).execute([&] { ASSERT_TRUE(EncodePng(pic.pixmap(), single)); });
        EXPECT_TRUE(single == png);
    }
}

TEST(PngEncoder, InvalidPixmapsWriteNothing)
{
    uint32_t pixel = kColorWhite;
    auto* base = reinterpret_cast<uint8_t*>(&pixel);
    const SkPixmap cases[] = {{nullptr, 1, 1, 4}, {base, 0, 1, 4}, {base, 1, 0, 4}, {base, 1, -2, 4}, {base, 2, 1, 4}};
    for (const SkPixmap& pm : cases) {
        QByteArray png("stale");
        EXPECT_FALSE(EncodePng(pm, png));
        EXPECT_TRUE(png.isEmpty());
    }
}

} // namespace
} // namespace pv
