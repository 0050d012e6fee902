#pragma once
// The lookup-table panel's workings apart from its controls: the tables
// imported from zip archives during the run, reading table files with a
// size cap, the key of the parsed-table cache and the preview mapping.

#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "platform/graphics/SkImage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace pv {

// Table files larger than this are taken as unreadable.
constexpr qint64 kMaxLUTFileBytes = 64 * 1024 * 1024;

struct TImportedLUT {
    QString Name;
    QByteArray Data;
};
// Every table imported from the user's zip archives this run, in import
// order; every later panel lists them again. UI thread.
std::vector<TImportedLUT>& ImportedLUTs();
// Adds the cube entries of a zip archive (file name without folder and
// extension) whose names are not imported yet (letter case ignored) and are
// not empty. Returns the tables added, in archive order; an unreadable
// archive ends the import with what was added.
// Entries larger than a cube file may be, or that hold no table, are not
// kept; their names (or the archive's, when it cannot be read) go to refused.
std::vector<TImportedLUT> ImportLUTZip(const QString& fileName, QStringList* refused = nullptr);

// The whole file; empty when it is missing, unreadable or above the cap.
QByteArray LoadLUTFileBytes(const QString& fileName);

// The parsed-table cache's key: the bytes' content (length and digest), so
// an imported table and a built-in one of the same name never share an
// entry; a file's identity when there are no bytes; empty when neither.
QString LUTPreviewKey(const QByteArray& data, const QString& filePath);

// The source mapped through the table at an intensity (0..1) exactly as the
// LUT effect's table step maps it; null without a source or a valid table.
ISkImage MapLUTToImage(const ISkImage& source, const TCubeLUT& lut, float intensity);

// The panel's thumbnail: the source fitted into 540 x 540 (the source itself
// when it fits).
ISkImage LUTPreviewThumb(const ISkImage& source);

} // namespace pv
