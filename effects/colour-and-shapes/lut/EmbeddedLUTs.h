#pragma once
// The program's built-in lookup tables: the embedded zip "PELANDROVIUM_LUTS"
// of cube files. A table's name is its entry's file name without folder and
// extension; only entries ending in ".cube" (in any case) count.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace pv {

struct TNamedLUT {
    QString Name;    // as stored in the archive
    QByteArray Data; // the cube text
};

// The table name of an archive entry ("Folder/Film print.cube" -> "Film
// print"); empty when the entry is not a cube file.
QString LUTNameOfEntry(const QString& entryName);

// Names of the cube entries of an archive in archive order. A damaged archive
// raises pv::Exception.
QStringList LUTNamesInArchive(const QByteArray& archive, const QString& archiveName);
// The first cube entry whose name equals `name` ignoring letter case, or the
// first cube entry of all when `name` is empty. Nothing when there is none; a
// damaged archive or entry raises pv::Exception.
std::optional<TNamedLUT> FindLUTInArchive(const QByteArray& archive, const QString& archiveName, const QString& name);

// The same over the embedded archive. These never raise: a missing or damaged
// archive gives no names and no table.
QByteArray EmbeddedLUTArchive();
QStringList EmbeddedLUTNames();
std::optional<TNamedLUT> FindEmbeddedLUT(const QString& name);
std::optional<TNamedLUT> FirstEmbeddedLUT();

} // namespace pv
