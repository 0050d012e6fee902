#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"

#include "platform/system/Errors.h"
#include "platform/system/Zip.h"

#include <QResource>

namespace pv {
namespace {

const QString kArchiveName = QStringLiteral("PELANDROVIUM_LUTS");

} // namespace

QString LUTNameOfEntry(const QString& entryName)
{
    QString path = entryName;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString file = path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || file.mid(dot).toLower() != QStringLiteral(".cube"))
        return {};
    return file.left(dot);
}

QStringList LUTNamesInArchive(const QByteArray& archive, const QString& archiveName)
{
    QStringList names;
    const ZipArchive zip = ZipArchive::FromData(archive, archiveName);
    for (const QString& entry : zip.entryNames()) {
        const QString name = LUTNameOfEntry(entry);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

std::optional<TNamedLUT> FindLUTInArchive(const QByteArray& archive, const QString& archiveName, const QString& name)
{
    const ZipArchive zip = ZipArchive::FromData(archive, archiveName);
    const QStringList& entries = zip.entryNames();
    for (int i = 0; i < entries.size(); ++i) {
        const QString entryLUT = LUTNameOfEntry(entries[i]);
        // The archive's folder entry and other files have no table name.
        if (entryLUT.isEmpty())
            continue;
        if (name.isEmpty() || entryLUT.compare(name, Qt::CaseInsensitive) == 0)
            return TNamedLUT{entryLUT, zip.read(i)};
    }
    return std::nullopt;
}

QByteArray EmbeddedLUTArchive()
{
    const QResource resource(QStringLiteral(":/") + kArchiveName);
    if (!resource.isValid())
        return {};
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), qsizetype(resource.size()));
    return resource.uncompressedData();
}

QStringList EmbeddedLUTNames()
{
    try {
        return LUTNamesInArchive(EmbeddedLUTArchive(), kArchiveName);
    } catch (const Exception&) {
        return {};
    }
}

std::optional<TNamedLUT> FindEmbeddedLUT(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    try {
        return FindLUTInArchive(EmbeddedLUTArchive(), kArchiveName, name);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

std::optional<TNamedLUT> FirstEmbeddedLUT()
{
    try {
        return FindLUTInArchive(EmbeddedLUTArchive(), kArchiveName, QString());
    } catch (const Exception&) {
        return std::nullopt;
    }
}

} // namespace pv
