#include "overlays/LUTPreview.h"

#include "effects/colour-and-shapes/lut/ApplyLUT.h"
#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "engine/Effect.h"
#include "engine/ImageHelpers.h"
#include "platform/system/Numbers.h"
#include "platform/system/Zip.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace pv {

std::vector<TImportedLUT>& ImportedLUTs()
{
    static std::vector<TImportedLUT> imported;
    return imported;
}

std::vector<TImportedLUT> ImportLUTZip(const QString& fileName, QStringList* refused)
{
    std::vector<TImportedLUT> added;
    const auto refuse = [refused](const QString& name) {
        if (refused)
            refused->append(name);
    };
    try {
        const ZipArchive zip = ZipArchive::FromFile(fileName);
        for (int i = 0; i < zip.count(); ++i) {
            const QString name = LUTNameOfEntry(zip.entryNames()[i]);
            if (name.isEmpty())
                continue;
            auto& imported = ImportedLUTs();
            if (std::any_of(imported.begin(), imported.end(), [&](const TImportedLUT& t) {
                    return t.Name.compare(name, Qt::CaseInsensitive) == 0;
                }))
                continue;
            QByteArray data;
            try {
                // Held to the limit of a cube file on disk.
                data = zip.read(i, kMaxLUTFileBytes);
            } catch (const std::exception&) {
                refuse(zip.entryNames()[i]);
                continue;
            }
            if (data.isEmpty() || !LoadCubeFromBytes(data).valid()) {
                refuse(zip.entryNames()[i]);
                continue;
            }
            imported.push_back({name, data});
            added.push_back(imported.back());
        }
    } catch (const std::exception&) {
        // Not a zip: what was added stays.
        refuse(QFileInfo(fileName).fileName());
    }
    return added;
}

QByteArray LoadLUTFileBytes(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxLUTFileBytes)
        return {};
    QByteArray data = file.read(kMaxLUTFileBytes + 1);
    if (file.error() != QFileDevice::NoError || data.size() > kMaxLUTFileBytes)
        return {};
    return data;
}

QString LUTPreviewKey(const QByteArray& data, const QString& filePath)
{
    return LUTCacheKey(TLUTSource{filePath, data, QString()});
}

ISkImage MapLUTToImage(const ISkImage& source, const TCubeLUT& lut, float intensity)
{
    SkPixmap src;
    if (!source || !lut.valid() || !source->peekPixels(src))
        return nullptr;
    QImage out(src.width, src.height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return nullptr;
    const SkPixmap dst{out.bits(), src.width, src.height, size_t(out.bytesPerLine())};
    const TLUTMapper mapper(lut, std::clamp(intensity, 0.0f, 1.0f));
    ParallelForRange(0, src.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            mapper.MapRow(src.row(y), dst.row(y), src.width);
    });
    return SkImage::MakeFromRaster(std::move(out));
}

ISkImage LUTPreviewThumb(const ISkImage& source)
{
    if (!source || source->width() <= 0 || source->height() <= 0)
        return nullptr;
    const double scale = std::min(540.0 / source->width(), 540.0 / source->height());
    if (scale >= 1)
        return source;
    return ScaleImageTo(source, std::max(1, Round(source->width() * scale)), std::max(1, Round(source->height() * scale)));
}

} // namespace pv
