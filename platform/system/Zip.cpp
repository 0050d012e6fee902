#include "platform/system/Zip.h"

#include "platform/system/Errors.h"

#include <QFile>

#include <zip.h>

#include <algorithm>
#include <mutex>

namespace pv {

struct ZipArchive::Impl {
    QByteArray data; // keeps an in-memory archive alive while libzip reads it
    QString name;
    zip_t* archive = nullptr;
    QStringList names;
    std::mutex readLock; // one libzip handle serves one reader at a time
    int64_t totalLimit = -1; // bytes all reads together may deliver; -1: no limit (the program's own archives)
    int64_t delivered = 0;

    ~Impl()
    {
        if (archive)
            zip_discard(archive);
    }
};

namespace {

[[noreturn]] void Fail(const QString& archiveName, const QString& what)
{
    throw Exception(QStringLiteral("Zip archive \"%1\": %2").arg(archiveName, what).toStdString());
}

QString LibzipText(zip_error_t* error) { return QString::fromLocal8Bit(zip_error_strerror(error)); }

QString LibzipText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    QString text = LibzipText(&error);
    zip_error_fini(&error);
    return text;
}

// Flags for opening: read-only, and the stricter consistency checks, so that
// a damaged directory is reported at once instead of at some later read.
constexpr int kOpenFlags = ZIP_RDONLY | ZIP_CHECKCONS;

} // namespace

ZipArchive::ZipArchive(std::unique_ptr<Impl> impl) : impl_(std::move(impl))
{
    const zip_int64_t n = zip_get_num_entries(impl_->archive, 0);
    if (n < 0 || n > INT32_MAX)
        Fail(impl_->name, QStringLiteral("unreadable list of entries"));
    impl_->names.reserve(qsizetype(n));
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* entry = zip_get_name(impl_->archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!entry)
            Fail(impl_->name, QStringLiteral("unreadable name of entry %1").arg(i));
        impl_->names << QString::fromUtf8(entry);
    }
}

ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive() = default;

ZipArchive ZipArchive::FromData(const QByteArray& data, const QString& name)
{
    auto impl = std::make_unique<Impl>();
    impl->data = data;
    impl->name = name;
    // libzip opens zero bytes as a new empty archive; here they are a broken file.
    if (data.isEmpty())
        Fail(name, QStringLiteral("the file is empty"));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(impl->data.constData(), zip_uint64_t(impl->data.size()), 0, &error);
    if (!source) {
        const QString text = LibzipText(&error);
        zip_error_fini(&error);
        Fail(name, text);
    }
    impl->archive = zip_open_from_source(source, kOpenFlags, &error);
    if (!impl->archive) {
        zip_source_free(source);
        const QString text = LibzipText(&error);
        zip_error_fini(&error);
        Fail(name, text);
    }
    zip_error_fini(&error);
    return ZipArchive(std::move(impl));
}

ZipArchive ZipArchive::FromFile(const QString& path, int64_t totalBytes)
{
    auto impl = std::make_unique<Impl>();
    impl->name = path;
    if (QFile(path).size() == 0 && QFile::exists(path))
        Fail(path, QStringLiteral("the file is empty"));
    int code = 0;
    impl->archive = zip_open(QFile::encodeName(path).constData(), kOpenFlags, &code);
    if (!impl->archive)
        Fail(path, LibzipText(code));
    impl->totalLimit = totalBytes;
    return ZipArchive(std::move(impl));
}

const QString& ZipArchive::name() const { return impl_->name; }

const QStringList& ZipArchive::entryNames() const { return impl_->names; }

int ZipArchive::indexOf(const QString& entryName) const { return int(impl_->names.indexOf(entryName)); }

QByteArray ZipArchive::read(const QString& entryName) const
{
    const int index = indexOf(entryName);
    if (index < 0)
        Fail(impl_->name, QStringLiteral("no entry \"%1\"").arg(entryName));
    return read(index);
}

QByteArray ZipArchive::read(int index) const { return read(index, kMaxEntryBytes); }

QByteArray ZipArchive::read(int index, int64_t maxBytes) const
{
    if (index < 0 || index >= count())
        Fail(impl_->name, QStringLiteral("no entry number %1").arg(index));
    const QString& entry = impl_->names[index];
    std::lock_guard<std::mutex> guard(impl_->readLock);

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(impl_->archive, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        Fail(impl_->name, QStringLiteral("unreadable entry \"%1\"").arg(entry));
    if (stat.size > zip_uint64_t(std::min(maxBytes, kMaxEntryBytes)))
        Fail(impl_->name, QStringLiteral("entry \"%1\" is too large (%2 bytes)").arg(entry).arg(stat.size));
    if (impl_->totalLimit >= 0) {
        if (impl_->delivered + int64_t(stat.size) > impl_->totalLimit)
            Fail(impl_->name, QStringLiteral("entry \"%1\" goes beyond the %2 bytes an archive may hold in all")
                                  .arg(entry)
                                  .arg(impl_->totalLimit));
        impl_->delivered += int64_t(stat.size);
    }

    zip_file_t* file = zip_fopen_index(impl_->archive, zip_uint64_t(index), 0);
    if (!file)
        Fail(impl_->name, QStringLiteral("entry \"%1\": %2").arg(entry, LibzipText(zip_get_error(impl_->archive))));
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    zip_int64_t got = 0;
    while (got < zip_int64_t(stat.size)) {
        const zip_int64_t n = zip_fread(file, bytes.data() + got, stat.size - zip_uint64_t(got));
        if (n <= 0)
            break;
        got += n;
    }
    // Reading on to the end lets libzip check the entry's CRC; a damaged entry
    // fails here even when its declared size was delivered.
    char probe;
    const bool intact = got == zip_int64_t(stat.size) && zip_fread(file, &probe, 1) == 0;
    const QString why = intact ? QString() : LibzipText(zip_file_get_error(file));
    zip_fclose(file);
    if (!intact)
        Fail(impl_->name, QStringLiteral("entry \"%1\" is damaged (%2)").arg(entry, why));
    return bytes;
}

} // namespace pv
