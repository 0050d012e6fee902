#include "engine/Repository.h"

#include "engine/Effect.h"

#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"
#include "platform/system/Files.h"
#include "platform/system/Zip.h"

#include <QResource>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace pv {
namespace {

constexpr int kCell = 256;
constexpr int kCellsPerRow = 8;

// The bytes of an embedded resource, read in place when it is stored plainly;
// empty when the program carries no such resource.
QByteArray ResourceBytes(const QString& path)
{
    const QResource resource(path);
    if (!resource.isValid())
        return {};
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), qsizetype(resource.size()));
    return resource.uncompressedData();
}

TRepositoryImage::Loader FormPicture(const QString& name)
{
    return [name] { return DecodeImageData(ResourceBytes(QStringLiteral(":/forms/") + name + QStringLiteral(".png"))); };
}

// A brush scaled into a cell of its own, exactly as it would be drawn into its
// cell of the sheet: only the cell, not the decoded picture, is kept until the
// sheet's size is known.
QImage DrawBrushCell(const ISkImage& brush)
{
    QImage cell(kCell, kCell, QImage::Format_ARGB32_Premultiplied);
    if (cell.isNull())
        throw std::bad_alloc();
    cell.fill(Qt::transparent);
    SkCanvas canvas(&cell);
    canvas.drawImageRect(brush, SkRect::Make(brush->bounds()), BrushCellRect(brush->width(), brush->height()),
                         SkSamplingOptions::Nearest());
    return cell;
}

ISkImage AssembleSheet(const std::vector<QImage>& cells)
{
    const int n = int(cells.size());
    const int rows = (n + kCellsPerRow - 1) / kCellsPerRow;
    QImage sheet(kCell * kCellsPerRow, kCell * rows, QImage::Format_ARGB32_Premultiplied);
    if (sheet.isNull())
        throw std::bad_alloc();
    sheet.fill(Qt::transparent);
    for (int i = 0; i < n; ++i) {
        const int x0 = kCell * (i % kCellsPerRow);
        const int y0 = kCell * (i / kCellsPerRow);
        for (int y = 0; y < kCell; ++y)
            std::memcpy(sheet.scanLine(y0 + y) + size_t(x0) * 4, cells[size_t(i)].constScanLine(y), size_t(kCell) * 4);
    }
    return SkImage::MakeFromRaster(std::move(sheet));
}

} // namespace

// ---------------------------------------------------------------- TRepositoryImage

ISkImage TRepositoryImage::image() const
{
    std::lock_guard<std::mutex> guard(lock_);
    if (loader_) {
        ISkImage loaded;
        try {
            loaded = loader_();
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::length_error&) {
            throw;
        } catch (...) {
            // A broken built-in picture leaves this picture empty, nothing else.
        }
        image_ = std::move(loaded);
        loader_ = nullptr;
    }
    return image_;
}

QImage TRepositoryImage::bitmap() const
{
    const ISkImage picture = image();
    return picture ? picture->qimage() : QImage();
}

void TRepositoryImage::setBitmap(const QImage& bitmap) { setImage(SkImage::MakeFromQImage(bitmap)); }

void TRepositoryImage::setImage(ISkImage picture)
{
    std::lock_guard<std::mutex> guard(lock_);
    loader_ = nullptr;
    image_ = std::move(picture);
}

void TRepositoryImage::setLoader(Loader loader)
{
    std::lock_guard<std::mutex> guard(lock_);
    loader_ = std::move(loader);
    image_ = nullptr;
}

// ---------------------------------------------------------------- TImageList

int TImageList::count() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return int(items_.size());
}

QString TImageList::name(int index) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return items_.at(size_t(index)).name;
}

int TImageList::indexOf(const QString& name) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].name == name)
            return int(i);
    return -1;
}

TRepositoryImage& TImageList::operator[](int index)
{
    std::lock_guard<std::mutex> guard(lock_);
    return items_.at(size_t(index)).picture;
}

const TRepositoryImage& TImageList::operator[](int index) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return items_.at(size_t(index)).picture;
}

TRepositoryImage& TImageList::add(const QString& name)
{
    std::lock_guard<std::mutex> guard(lock_);
    Item& item = items_.emplace_back();
    item.name = name;
    return item.picture;
}

void TImageList::decodeAll()
{
    ParallelForRange(0, count(), [this](int lo, int hi) {
        for (int i = lo; i < hi; ++i)
            (void)(*this)[i].image();
    });
}

// ---------------------------------------------------------------- TForm3

const QStringList& TForm3::TextureNames()
{
    static const QStringList names{QStringLiteral("Canvas"),     QStringLiteral("Paper"),
                                   QStringLiteral("Impasto"),    QStringLiteral("watercolor"),
                                   QStringLiteral("cardboard"),  QStringLiteral("fabric")};
    return names;
}

TForm3::TForm3()
{
    for (int i = 1; i <= 9; ++i)
        FrameList.add(QString::number(i));
    for (const QString& name : TextureNames())
        TextureList.add(name);
    LoadFormImages();
    LoadEmbeddedImages();
}

void TForm3::LoadFormImages()
{
    DefaultBrushes.setLoader(FormPicture(QStringLiteral("DefaultBrushes")));
    WatercolorBrushes.setLoader(FormPicture(QStringLiteral("WatercolorBrushes")));
    PastelBrushes.setLoader(FormPicture(QStringLiteral("PastelBrushes")));
    TemplateMatchingBrushes.setLoader(FormPicture(QStringLiteral("TemplateMatchingBrushes")));
    PaintBrushSim.setLoader(FormPicture(QStringLiteral("PaintBrushSim")));
    PaintBrushSim2.setLoader(FormPicture(QStringLiteral("PaintBrushSim2")));
    PaintBrushSim3.setLoader(FormPicture(QStringLiteral("PaintBrushSim3")));
    for (int i = 0; i < FrameList.count(); ++i)
        FrameList[i].setLoader(FormPicture(QStringLiteral("Frame") + FrameList.name(i)));
    // Pictures are immutable and shared, so sharing is as good as a copy.
    Brushes.setLoader([this] { return DefaultBrushes.image(); });
    Frame.setLoader([this] { return FrameList[1].image(); });
}

void TForm3::LoadEmbeddedImages()
{
    LoadEmbeddedImages(ResourceBytes(QStringLiteral(":/PELANDROVIUM_IMAGES")), QStringLiteral("PELANDROVIUM_IMAGES"));
}

void TForm3::LoadEmbeddedImages(const QByteArray& archiveData, const QString& archiveName)
{
    std::shared_ptr<const ZipArchive> archive;
    try {
        archive = std::make_shared<const ZipArchive>(ZipArchive::FromData(archiveData, archiveName));
    } catch (const Exception&) {
        // Without the archive the program still starts, with these pictures empty.
    }
    auto fromEntry = [&archive](TRepositoryImage& picture, const QString& entry) {
        const int index = archive ? archive->indexOf(entry) : -1;
        if (index < 0) {
            picture.setImage(nullptr);
            return;
        }
        picture.setLoader([archive, index] { return DecodeImageData(archive->read(index)); });
    };
    fromEntry(DefaultImage, QStringLiteral("DefaultImage.jpg"));
    fromEntry(PencilTexture, QStringLiteral("PencilTexture.jpg"));
    fromEntry(OldFilmTexture, QStringLiteral("OldFilmTexture.jpg"));
    fromEntry(VCLwatercolortexture, QStringLiteral("VCLwatercolortexture.jpg"));
    for (const QString& name : TextureNames()) {
        const int item = TextureList.indexOf(name);
        if (item >= 0)
            fromEntry(TextureList[item], QStringLiteral("TL_") + name + QStringLiteral(".jpg"));
    }
}

int TForm3::LoadBrushesToRepository(const QStringList& FileNames)
{
    std::vector<QImage> cells;
    auto place = [&cells](const ISkImage& brush) {
        if (!brush)
            return;
        if (int(cells.size()) == kMaxBrushCount)
            throw Exception(QStringLiteral("Too many brushes: at most %1 can be loaded at once")
                                .arg(kMaxBrushCount)
                                .toStdString());
        cells.push_back(DrawBrushCell(brush));
    };
    for (const QString& path : FileNames) {
        const QString extension = LowerExtension(path);
        if (extension == QLatin1String(".zip")) {
            const ZipArchive zip = ZipArchive::FromFile(path);
            for (int i = 0; i < zip.count(); ++i)
                if (LowerExtension(zip.entryNames()[i]) == QLatin1String(".png"))
                    place(DecodeImageDataWithin(zip.read(i), kMaxBrushSide));
        } else if (extension == QLatin1String(".png")) {
            place(DecodeImageFileWithin(path, kMaxBrushSide));
        }
    }
    if (cells.empty())
        return 0;
    Brushes.setImage(AssembleSheet(cells));
    return int(cells.size());
}

TForm3& Form3()
{
    static TForm3 repository;
    return repository;
}

SkRect BrushCellRect(int width, int height)
{
    const double scale = std::min(double(kCell) / width, double(kCell) / height);
    const double w = width * scale;
    const double h = height * scale;
    return SkRect::MakeXYWH(float((kCell - w) / 2), float((kCell - h) / 2), float(w), float(h));
}

} // namespace pv
