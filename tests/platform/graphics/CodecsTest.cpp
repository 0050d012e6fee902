#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkImage.h"

#include <QBuffer>
#include <QColorSpace>
#include <QColorTransform>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pv {
namespace {

ISkImage Gradient(int w, int h, bool translucent)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, 128, translucent ? (x + y) % 256 : 255));
    return SkImage::MakeFromQImage(img);
}

TEST(Codecs, FormatFollowsTheExtension)
{
    const std::pair<const char*, ImageFileFormat> cases[] = {
        {"a.jpg", ImageFileFormat::Jpeg}, {"a.JPEG", ImageFileFormat::Jpeg}, {"dir.png/a.Png", ImageFileFormat::Png},
        {"a.webp", ImageFileFormat::Webp}, {"a.bmp", ImageFileFormat::Unknown}, {"a", ImageFileFormat::Unknown},
        {"", ImageFileFormat::Unknown}};
    for (auto [path, format] : cases)
        EXPECT_EQ(FormatFromExtension(QString::fromUtf8(path)), format) << path;
}

TEST(Codecs, RoundTripsEveryWrittenFormat)
{
    const ISkImage image = Gradient(37, 21, false);
    for (ImageFileFormat format : {ImageFileFormat::Png, ImageFileFormat::Jpeg, ImageFileFormat::Webp}) {
        QByteArray data;
        ASSERT_TRUE(EncodeImage(image, format, 80, data));
        const ISkImage back = DecodeImageData(data);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->width(), 37);
        EXPECT_EQ(back->height(), 21);
        EXPECT_TRUE(back->isOpaque());
    }
}

TEST(Codecs, PngIsLosslessForTranslucentPictures)
{
    const ISkImage image = Gradient(64, 16, true);
    QByteArray data;
    ASSERT_TRUE(EncodeImage(image, ImageFileFormat::Png, 80, data));
    const ISkImage back = DecodeImageData(data);
    ASSERT_NE(back, nullptr);
    std::vector<uint32_t> a(64 * 16), b(64 * 16);
    image->readPixels(a.data(), 64 * 4, 0, 0, 64, 16, SkAlphaType::Unpremul);
    back->readPixels(b.data(), 64 * 4, 0, 0, 64, 16, SkAlphaType::Unpremul);
    // Premultiplied storage loses colour precision under low alpha; compare premultiplied.
    image->readPixels(a.data(), 64 * 4);
    back->readPixels(b.data(), 64 * 4);
    EXPECT_EQ(a, b);
}

TEST(Codecs, BrokenFilesDecodeToNothing)
{
    QTemporaryDir dir;
    QByteArray jpeg;
    ASSERT_TRUE(EncodeImage(Gradient(64, 64, false), ImageFileFormat::Jpeg, 80, jpeg));
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty.jpg", QByteArray()},
        {"text.png", QByteArray("this is not a picture")},
        {"truncated.jpg", jpeg.left(20)},
    };
    for (const auto& [name, bytes] : cases) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        EXPECT_EQ(DecodeImageFile(path), nullptr) << name;
    }
    EXPECT_EQ(DecodeImageFile(dir.filePath(QStringLiteral("missing.png"))), nullptr);
}

// A JPEG of the picture as a camera writes it: JFIF header, then an Exif
// segment whose only entry is the orientation tag.
QByteArray JpegWithOrientation(const QImage& picture, uint16_t orientation)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(picture));
    const char exif[] = {'\xFF', '\xE1', 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                         1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, char(orientation), 0, 0, 0, 0, 0, 0, 0};
    return jpeg.left(2) + QByteArray(exif, sizeof exif) + jpeg.mid(2);
}

// Left half red, right half blue.
QImage RedBlue(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, x < w / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return img;
}

bool IsRed(uint32_t premul) { return (premul >> 16 & 0xFF) > 200 && (premul & 0xFF) < 60; }

TEST(Codecs, PicturesComeOutUprightWhateverTheirOrientationTag)
{
    struct Case {
        uint16_t tag;
        int w, h;
        // Where the picture's left half ends up.
        int redX, redY;
    };
    const Case cases[] = {
        {1, 16, 8, 2, 4}, // as stored
        {3, 16, 8, 13, 4}, // turned half round
        {6, 8, 16, 4, 2},  // turned a quarter clockwise: the left edge on top
        {8, 8, 16, 4, 13}, // a quarter anticlockwise: the left edge at the bottom
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const ISkImage image = DecodeImageData(JpegWithOrientation(RedBlue(16, 8), c.tag));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width(), c.w);
        EXPECT_EQ(image->height(), c.h);
        SkPixmap pm;
        ASSERT_TRUE(image->peekPixels(pm));
        EXPECT_TRUE(IsRed(pm.at(c.redX, c.redY)));
        EXPECT_FALSE(IsRed(pm.at(c.w - 1 - c.redX, c.h - 1 - c.redY)));

        // What is written again carries no tag that would turn it a second time.
        QByteArray saved;
        ASSERT_TRUE(EncodeImage(image, ImageFileFormat::Jpeg, 80, saved));
        QBuffer buffer(&saved);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_EQ(QImageReader(&buffer).transformation(), QImageIOHandler::TransformationNone);
    }
    const ISkImage portrait = DecodeImageData(JpegWithOrientation(RedBlue(400, 225), 6));
    ASSERT_NE(portrait, nullptr);
    EXPECT_EQ(portrait->width(), 225);
    EXPECT_EQ(portrait->height(), 400);
}

TEST(Codecs, PicturesWithAColourProfileComeOutInSRGB)
{
    const QRgb stored = qRgb(180, 100, 60);
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(stored);
    img.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(img.save(&buffer, "png"));

    const QRgb expected =
        QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace(QColorSpace::SRgb)).map(stored);
    ASSERT_GT(std::abs(qRed(expected) - qRed(stored)), 3) << "the profile changes the colour visibly";
    const ISkImage image = DecodeImageData(png);
    ASSERT_NE(image, nullptr);
    SkPixmap pm;
    ASSERT_TRUE(image->peekPixels(pm));
    const uint32_t got = pm.at(1, 1);
    EXPECT_NEAR(int(got >> 16 & 0xFF), qRed(expected), 1);
    EXPECT_NEAR(int(got >> 8 & 0xFF), qGreen(expected), 1);
    EXPECT_NEAR(int(got & 0xFF), qBlue(expected), 1);
}

TEST(Codecs, ATruncatedJpegDecodesButIsNotedAsDamaged)
{
    QImage img(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 0xFF));
    QByteArray jpeg;
    ASSERT_TRUE(EncodeImage(SkImage::MakeFromQImage(img), ImageFileFormat::Jpeg, 90, jpeg));

    struct Case {
        const char* name;
        QByteArray data;
        bool damaged;
    };
    const Case cases[] = {
        {"whole", jpeg, false},
        {"with a trailer after its end", jpeg + QByteArray(300, 'T'), false},
        {"cut in its picture data", jpeg.left(jpeg.size() * 2 / 3), true},
        {"without its end marker", jpeg.left(jpeg.size() - 2), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDecodeNotes notes;
        const ISkImage image = DecodeImageData(c.data, &notes);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width(), 64);
        EXPECT_EQ(notes.Damaged, c.damaged);
        EXPECT_EQ(IsTruncatedJpeg(c.data), c.damaged);
    }
    EXPECT_FALSE(IsTruncatedJpeg("not a picture"));
}

// A 16 x 16 GIF, red above blue, as an image editor writes it.
const QByteArray kRedOverBlueGif = QByteArray::fromHex(
    "47494638396110001000f00000ff00000000ff21f90400000000002c0000000010001000000214848fa9cbed0fa39c2cd88bb3debcfb0f86e2c815003b");

TEST(Codecs, ACutGifIsNotedAsDamagedAndItsMissingPartStaysOpaque)
{
    const struct {
        const char* name;
        QByteArray data;
        bool damaged;
    } cases[] = {{"whole", kRedOverBlueGif, false}, {"cut in its picture data", kRedOverBlueGif.left(53), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDecodeNotes notes;
        const ISkImage image = DecodeImageData(c.data, &notes);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(notes.Damaged, c.damaged);
        EXPECT_EQ(IsTruncatedGif(c.data), c.damaged);
        SkPixmap pm;
        ASSERT_TRUE(image->peekPixels(pm));
        EXPECT_EQ(pm.at(5, 2), 0xFFFF0000u);
        // The flag and the pixels agree: nothing translucent in an opaque picture.
        EXPECT_EQ(image->isOpaque(), !HasTranslucentPixel(pm));
        EXPECT_EQ(pm.at(5, 14) >> 24, 0xFFu);
    }
}

// Chunks of a PNG: length, type, data, and a check value the decoder is not
// asked to verify for ancillary chunks it skips.
QByteArray PngChunk(const char* type, const QByteArray& data, quint32 declaredLength)
{
    QByteArray chunk;
    for (int shift : {24, 16, 8, 0})
        chunk += char((declaredLength >> shift) & 0xFF);
    return chunk + type + data + QByteArray(4, '\0');
}

// A text chunk that claims 1.9 GB in a file of a few hundred bytes must not
// have the decoder set that much memory aside: the picture before it is kept
// and noted as damaged; a file with no picture data before the liar fails.
TEST(Codecs, APngChunkClaimingMoreThanTheFileHoldsIsCutOff)
{
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(qRgb(10, 200, 30));
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setText(QStringLiteral("Comment"), QStringLiteral("an honest text chunk"));
        ASSERT_TRUE(writer.write(img));
    }
    const qsizetype iend = png.size() - 12;
    const QByteArray liar = PngChunk("tEXt", QByteArray("Comment\0 a few bytes", 20), 0x71C71C71u);
    const struct {
        const char* name;
        QByteArray data;
        bool decodes, damaged;
    } cases[] = {
        {"honest", png, true, false},
        {"lying after the picture data", png.left(iend) + liar, true, true},
        {"lying before the picture data", png.left(33) + liar, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDecodeNotes notes;
        const ISkImage image = DecodeImageData(c.data, &notes);
        EXPECT_EQ(image != nullptr, c.decodes);
        EXPECT_EQ(notes.Damaged, c.damaged);
        if (image) {
            SkPixmap pm;
            ASSERT_TRUE(image->peekPixels(pm));
            EXPECT_EQ(pm.at(3, 3), 0xFF0AC81Eu);
        }
        EXPECT_EQ(DecodeImageDataWithin(c.data, 64) != nullptr, c.decodes);
    }
}

} // namespace
} // namespace pv
