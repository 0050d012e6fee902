#include "engine/Repository.h"

#include "engine/Effect.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"
#include "TestZip.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>

namespace pv {
namespace {

using test::ZipEntry;

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

QImage Solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QByteArray SolidPng(int width, int height, QRgb colour) { return Encode(Solid(width, height, colour), "PNG"); }

// A valid PNG signature and header claiming 30000 x 30000 pixels, with almost
// no pixel data behind it: tiny on disk, 3.6 GB if anyone believed it.
QByteArray HugePng()
{
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray body = QByteArray(type, 4) + data;
        QByteArray out(4, '\0');
        qToBigEndian<quint32>(quint32(data.size()), out.data());
        out += body;
        QByteArray crc(4, '\0');
        qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
                              crc.data());
        return out + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(30000, header.data());
    qToBigEndian<quint32>(30000, header.data() + 4);
    header[8] = 8; // bits per channel
    header[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)) + chunk("IEND", QByteArray());
}

class BrushImport : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString writeZip(const QString& name, const std::vector<ZipEntry>& entries)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(test::WriteZip(path, entries));
        return path;
    }
    // Pixel (x, y) of cell (column, row) of the working sheet.
    uint32_t sheetPixel(int column, int row, int x, int y)
    {
        return repository.Brushes.bitmap().pixel(256 * column + x, 256 * row + y);
    }

    QTemporaryDir dir;
    TForm3 repository;
};

QRgb BrushColour(int i) { return qRgb(20 * i, 255 - 20 * i, 7 * i); }

TEST_F(BrushImport, NineBrushesFillOneRowAndStartTheNext)
{
    QStringList files;
    for (int i = 0; i < 9; ++i)
        files << write(QStringLiteral("brush%1.png").arg(i), SolidPng(40, 40, BrushColour(i)));
    ASSERT_EQ(repository.LoadBrushesToRepository(files), 9);
    const QImage sheet = repository.Brushes.bitmap();
    EXPECT_EQ(sheet.size(), QSize(2048, 512));
    EXPECT_EQ(sheet.format(), QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(sheetPixel(i, 0, 128, 128), BrushColour(i)) << i;
    EXPECT_EQ(sheetPixel(0, 1, 128, 128), BrushColour(8));
    for (int column = 1; column < 8; ++column)
        EXPECT_EQ(sheetPixel(column, 1, 128, 128), 0u) << "only the ninth brush is on the second row";
}

TEST(BrushCellRect, FitsKeepingTheAspectAndCentres)
{
    struct Case {
        int w, h;
        SkRect expected;
    };
    const Case cases[] = {
        {512, 128, SkRect::MakeXYWH(0, 96, 256, 64)},
        {64, 64, SkRect::MakeXYWH(0, 0, 256, 256)},
        {100, 300, SkRect::MakeXYWH(256.0f / 3, 0, 256.0f / 3, 256)},
        {1, 2, SkRect::MakeXYWH(64, 0, 128, 256)},
    };
    for (const Case& c : cases) {
        const SkRect r = BrushCellRect(c.w, c.h);
        EXPECT_FLOAT_EQ(r.left, c.expected.left) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(r.top, c.expected.top) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(r.width(), c.expected.width()) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(r.height(), c.expected.height()) << c.w << "x" << c.h;
    }
}

TEST_F(BrushImport, BrushesAreScaledIntoTheirCellWithNearestSampling)
{
    // Every source pixel its own colour, so the cell shows which one it sampled.
    QImage small(64, 64, QImage::Format_ARGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            small.setPixel(x, y, qRgb(x * 4, y * 4, 77));
    const QStringList files{write(QStringLiteral("wide.png"), SolidPng(512, 128, qRgb(200, 10, 10))),
                            write(QStringLiteral("small.png"), Encode(small, "PNG"))};
    ASSERT_EQ(repository.LoadBrushesToRepository(files), 2);
    EXPECT_EQ(repository.Brushes.bitmap().size(), QSize(2048, 256));

    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool inside = y >= 96 && y < 160;
            ASSERT_EQ(sheetPixel(0, 0, x, y), inside ? qRgb(200, 10, 10) : 0u) << "wide brush at " << x << "," << y;
            ASSERT_EQ(sheetPixel(1, 0, x, y), small.pixel(x / 4, y / 4)) << "small brush at " << x << "," << y;
        }
}

TEST_F(BrushImport, ZipEntriesArePngByExtensionInAnyCase)
{
    const QString zip = writeZip(QStringLiteral("set.ZIP"),
                                 {{QStringLiteral("notes.txt"), QByteArray("brushes for the pastel effect")},
                                  {QStringLiteral("set/First.PNG"), SolidPng(30, 30, BrushColour(1)), true},
                                  {QStringLiteral("photo.jpg"), Encode(Solid(30, 30, BrushColour(2)), "JPEG")},
                                  {QStringLiteral("broken.png"), QByteArray("not a picture")},
                                  {QStringLiteral("huge.png"), HugePng()},
                                  {QStringLiteral("second.png"), SolidPng(20, 10, BrushColour(3))}});
    const QString loose = write(QStringLiteral("Third.Png"), SolidPng(10, 10, BrushColour(4)));
    ASSERT_EQ(repository.LoadBrushesToRepository({zip, loose}), 3);
    EXPECT_EQ(sheetPixel(0, 0, 128, 128), BrushColour(1));
    EXPECT_EQ(sheetPixel(1, 0, 128, 128), BrushColour(3));
    EXPECT_EQ(sheetPixel(2, 0, 128, 128), BrushColour(4));
    EXPECT_EQ(sheetPixel(3, 0, 128, 128), 0u);
}

TEST_F(BrushImport, NothingUsableKeepsTheSheet)
{
    const ISkImage before = repository.Brushes.image();
    const QStringList files{write(QStringLiteral("text.png"), QByteArray("not a picture")),
                            write(QStringLiteral("empty.png"), QByteArray()),
                            write(QStringLiteral("huge.png"), HugePng()),
                            write(QStringLiteral("photo.jpg"), Encode(Solid(8, 8, BrushColour(1)), "JPEG")),
                            write(QStringLiteral("readme.txt"), QByteArray("hello")),
                            dir.filePath(QStringLiteral("missing.png")),
                            writeZip(QStringLiteral("none.zip"), {{QStringLiteral("a.txt"), QByteArray("x")}})};
    EXPECT_EQ(repository.LoadBrushesToRepository(files), 0);
    EXPECT_EQ(repository.LoadBrushesToRepository({}), 0);
    EXPECT_EQ(repository.Brushes.image(), before);
}

TEST_F(BrushImport, UnreadableZipOrTooManyBrushesIsAnErrorAndKeepsTheSheet)
{
    const QString good = write(QStringLiteral("good.png"), SolidPng(8, 8, BrushColour(1)));
    QByteArray zipBytes = test::ZipBytes({{QStringLiteral("a.png"), SolidPng(8, 8, BrushColour(2))}});
    const QString truncated = write(QStringLiteral("truncated.zip"), zipBytes.left(zipBytes.size() - 30));
    const QString garbage = write(QStringLiteral("garbage.zip"), QByteArray("PK but nothing else"));
    std::vector<ZipEntry> many;
    const QByteArray dot = SolidPng(1, 1, BrushColour(5));
    for (int i = 0; i <= TForm3::kMaxBrushCount; ++i)
        many.push_back({QStringLiteral("%1.png").arg(i), dot});
    const QString tooMany = writeZip(QStringLiteral("many.zip"), many);

    const ISkImage before = repository.Brushes.image();
    for (const QString& zip : {truncated, garbage, tooMany}) {
        EXPECT_THROW(repository.LoadBrushesToRepository({good, zip}), Exception) << zip.toStdString();
        EXPECT_EQ(repository.Brushes.image(), before);
    }
    try {
        repository.LoadBrushesToRepository({truncated});
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("truncated.zip"), std::string::npos) << e.what();
    }
}

// ---------------------------------------------------------------- built-in pictures

struct Expected {
    const char* name;
    const TRepositoryImage* picture;
    int width, height;
};

TEST(Repository, BuiltInPicturesHaveTheirSizes)
{
    TForm3& repo = Form3();
    EXPECT_EQ(&repo, &Form3()) << "one repository per process";
    std::vector<Expected> expected = {
        {"DefaultImage", &repo.DefaultImage, 960, 1440},
        {"PencilTexture", &repo.PencilTexture, 512, 166},
        {"OldFilmTexture", &repo.OldFilmTexture, 2904, 2064},
        {"VCLwatercolortexture", &repo.VCLwatercolortexture, 1024, 768},
        {"Brushes", &repo.Brushes, 2048, 1536},
        {"DefaultBrushes", &repo.DefaultBrushes, 2048, 1536},
        {"WatercolorBrushes", &repo.WatercolorBrushes, 2048, 768},
        {"PastelBrushes", &repo.PastelBrushes, 2048, 512},
        {"TemplateMatchingBrushes", &repo.TemplateMatchingBrushes, 1250, 2000},
        {"PaintBrushSim", &repo.PaintBrushSim, 80, 80},
        {"PaintBrushSim2", &repo.PaintBrushSim2, 54, 56},
        {"PaintBrushSim3", &repo.PaintBrushSim3, 38, 39},
        {"Frame", &repo.Frame, 2244, 2424},
    };
    ASSERT_EQ(repo.FrameList.count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(repo.FrameList.name(i), QString::number(i + 1));
        expected.push_back({"frame", &repo.FrameList[i], 2244, 2424});
    }
    ASSERT_EQ(repo.TextureList.count(), 6);
    const char* textures[] = {"Canvas", "Paper", "Impasto", "watercolor", "cardboard", "fabric"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(repo.TextureList.name(i), QString::fromUtf8(textures[i]));
        expected.push_back({textures[i], &repo.TextureList[i], 1024, 1024});
    }

    // Read them all at once from the pool: each decodes once, whoever comes first.
    std::vector<ISkImage> first(expected.size()), second(expected.size());
    ParallelFor(0, int(expected.size()) * 2, [&](int i) {
        const size_t k = size_t(i) / 2;
        (i % 2 ? second : first)[k] = expected[k].picture->image();
    });
    for (size_t k = 0; k < expected.size(); ++k) {
        ASSERT_NE(first[k], nullptr) << expected[k].name;
        EXPECT_EQ(first[k], second[k]) << expected[k].name << " decoded twice";
        EXPECT_EQ(first[k]->width(), expected[k].width) << expected[k].name;
        EXPECT_EQ(first[k]->height(), expected[k].height) << expected[k].name;
        EXPECT_EQ(expected[k].picture->bitmap().format(), QImage::Format_ARGB32_Premultiplied) << expected[k].name;
    }
    EXPECT_EQ(repo.Brushes.bitmap(), repo.DefaultBrushes.bitmap());
    EXPECT_EQ(repo.Frame.bitmap(), repo.FrameList[1].bitmap()) << "the second frame at start";
}

TEST(Repository, EachArchiveEntryLoadsOnItsOwn)
{
    // A small archive standing in for the embedded one: no film grain entry
    // and an undecodable impasto texture.
    auto jpeg = [](int w) { return Encode(Solid(w, 4, qRgb(90, 120, 150)), "JPEG"); };
    std::vector<ZipEntry> entries = {{QStringLiteral("DefaultImage.jpg"), jpeg(10)},
                                     {QStringLiteral("PencilTexture.jpg"), jpeg(11)},
                                     {QStringLiteral("VCLwatercolortexture.jpg"), jpeg(13)}};
    for (const QString& name : TForm3::TextureNames())
        entries.push_back({QStringLiteral("TL_") + name + QStringLiteral(".jpg"),
                           name == QLatin1String("Impasto") ? QByteArray("broken") : jpeg(20)});

    TForm3 repo;
    repo.LoadEmbeddedImages(test::ZipBytes(entries), QStringLiteral("test archive"));
    const std::pair<const TRepositoryImage*, int> photos[] = {
        {&repo.DefaultImage, 10}, {&repo.PencilTexture, 11}, {&repo.OldFilmTexture, 0}, {&repo.VCLwatercolortexture, 13}};
    for (const auto& [picture, width] : photos)
        EXPECT_EQ(picture->bitmap().width(), width);
    for (int i = 0; i < repo.TextureList.count(); ++i)
        EXPECT_EQ(repo.TextureList[i].bitmap().width(), repo.TextureList.name(i) == QLatin1String("Impasto") ? 0 : 20)
            << repo.TextureList.name(i).toStdString();

    // A broken archive empties its pictures only; the repository's own stay.
    repo.LoadEmbeddedImages(QByteArray("PK\x05\x06 truncated"), QStringLiteral("broken archive"));
    EXPECT_TRUE(repo.DefaultImage.isEmpty());
    EXPECT_TRUE(repo.TextureList[0].isEmpty());
    EXPECT_EQ(repo.PaintBrushSim3.bitmap().size(), QSize(38, 39));
}

} // namespace
} // namespace pv
