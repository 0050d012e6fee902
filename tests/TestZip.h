#pragma once
// Zip fixtures for tests: archives written with libzip from in-memory entries.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <zip.h>

#include <utility>
#include <vector>

namespace pv::test {

struct ZipEntry {
    QString name;
    QByteArray data;
    bool deflate = false; // stored unless asked
};

// Writes the entries, in order, to a zip file at path; false on failure.
inline bool WriteZip(const QString& path, const std::vector<ZipEntry>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    return zip_close(archive) == 0;
}

// The bytes of a zip holding the entries.
inline QByteArray ZipBytes(const std::vector<ZipEntry>& entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fixture.zip"));
    QFile file(path);
    if (!WriteZip(path, entries) || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace pv::test
