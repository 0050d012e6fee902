#pragma once
// Reading zip archives: the program's embedded archives and the user's zips.
//
// Archives may come from anywhere, so every failure (not a zip, truncated,
// damaged entry, absurd sizes) is a pv::Exception naming the archive, and no
// entry is read into memory beyond a fixed cap.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace pv {

class ZipArchive {
public:
    // Entries larger than this (uncompressed) are refused rather than read.
    static constexpr int64_t kMaxEntryBytes = int64_t(256) << 20;
    // All the entries read from one user's archive (a file) together: a zip of
    // a few megabytes may claim gigabytes of well-compressed entries.
    static constexpr int64_t kMaxArchiveBytes = int64_t(512) << 20;

    // Opens an archive held in memory (a resource or a file read earlier); the
    // data is shared, not copied. `name` is what error messages call it.
    static ZipArchive FromData(const QByteArray& data, const QString& name);
    // Opens an archive file; the file is read as entries are read, at most
    // totalBytes of them all together.
    static ZipArchive FromFile(const QString& path, int64_t totalBytes = kMaxArchiveBytes);

    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;
    ~ZipArchive();

    const QString& name() const;
    // Entry names in archive order (folders included, their names end in '/').
    const QStringList& entryNames() const;
    int count() const { return int(entryNames().size()); }
    // Index of the entry with exactly this name, or -1.
    int indexOf(const QString& entryName) const;

    // The uncompressed bytes of an entry. Throws pv::Exception when the entry
    // does not exist, is too large, or cannot be read back intact. Safe to call
    // from several threads at once.
    QByteArray read(int index) const;
    QByteArray read(const QString& entryName) const;
    // The same with a smaller cap for entries of a kind that is never that
    // large (a script, a lookup table): refused before anything is read.
    QByteArray read(int index, int64_t maxBytes) const;

private:
    struct Impl;
    explicit ZipArchive(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace pv
