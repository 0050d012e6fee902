#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkImage.h"

#include <QFile>
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

} // namespace
} // namespace pv
