#include "platform/system/Zip.h"

#include "platform/system/Errors.h"
#include "TestZip.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tbb/parallel_for.h>

#include <atomic>
#include <cstring>

namespace pv {
namespace {

using test::ZipBytes;
using test::ZipEntry;

const std::vector<ZipEntry> kEntries = {
    {QStringLiteral("b-first.txt"), QByteArray("stored text, first in the archive")},
    {QStringLiteral("folder/"), QByteArray()},
    {QStringLiteral("folder/a.PNG"), QByteArray(5000, 'x'), true},
    {QStringLiteral("ü.bin"), QByteArray("\x00\x01\x02\xff", 4)},
};

QString WriteBytes(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromUtf8(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The message of the error a call raises, or "<no error>".
template <typename Fn>
std::string ErrorOf(Fn&& fn)
{
    try {
        fn();
    } catch (const Exception& e) {
        return e.what();
    }
    return "<no error>";
}

TEST(ZipArchive, ListsEntriesInArchiveOrderAndReadsThemFromMemoryOrFile)
{
    const QByteArray bytes = ZipBytes(kEntries);
    ASSERT_FALSE(bytes.isEmpty());
    QTemporaryDir dir;
    const QString path = WriteBytes(dir, "archive.zip", bytes);

    for (const ZipArchive& zip : {ZipArchive::FromData(bytes, QStringLiteral("memory")), ZipArchive::FromFile(path)}) {
        ASSERT_EQ(zip.count(), int(kEntries.size()));
        for (int i = 0; i < zip.count(); ++i) {
            EXPECT_EQ(zip.entryNames()[i], kEntries[size_t(i)].name);
            EXPECT_EQ(zip.indexOf(kEntries[size_t(i)].name), i);
            EXPECT_EQ(zip.read(i), kEntries[size_t(i)].data) << i;
        }
        EXPECT_EQ(zip.read(QStringLiteral("folder/a.PNG")), kEntries[2].data);
        EXPECT_EQ(zip.indexOf(QStringLiteral("folder/a.png")), -1) << "names match exactly";
        EXPECT_NE(ErrorOf([&] { zip.read(QStringLiteral("missing.jpg")); }).find("missing.jpg"), std::string::npos);
        EXPECT_NE(ErrorOf([&] { zip.read(99); }), "<no error>");
    }
}

TEST(ZipArchive, EntriesCanBeReadFromSeveralThreadsAtOnce)
{
    const ZipArchive zip = ZipArchive::FromData(ZipBytes(kEntries), QStringLiteral("memory"));
    std::atomic<int> wrong{0};
    tbb::parallel_for(0, 400, [&](int i) {
        const int entry = i % zip.count();
        if (zip.read(entry) != kEntries[size_t(entry)].data)
            ++wrong;
    });
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ZipArchive, BrokenArchivesRaiseAnErrorNamingTheArchive)
{
    const QByteArray good = ZipBytes(kEntries);
    QByteArray badDirectory = good;
    const qsizetype central = badDirectory.indexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(central, 0);
    badDirectory[central + 1] = 'X'; // the directory no longer starts where the end record says

    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"text", QByteArray("this is not a zip archive at all")},
        {"cut before its end record", good.left(good.size() - 10)},
        {"cut in half", good.left(good.size() / 2)},
        {"only the first header", good.left(30)},
        {"damaged directory", badDirectory},
    };
    QTemporaryDir dir;
    for (const auto& [what, data] : cases) {
        const QByteArray& bytes = data; // clang 14 lambdas cannot capture a structured binding
        const QString name = QStringLiteral("broken-%1.zip").arg(QString::fromUtf8(what));
        const std::string fromMemory = ErrorOf([&] { ZipArchive::FromData(bytes, name); });
        EXPECT_NE(fromMemory.find(name.toStdString()), std::string::npos) << what << ": " << fromMemory;
        const QString path = WriteBytes(dir, name.toUtf8().constData(), bytes);
        const std::string fromFile = ErrorOf([&] { ZipArchive::FromFile(path); });
        EXPECT_NE(fromFile.find(path.toStdString()), std::string::npos) << what << ": " << fromFile;
    }
    EXPECT_NE(ErrorOf([&] { ZipArchive::FromFile(dir.filePath(QStringLiteral("absent.zip"))); }), "<no error>");
}

TEST(ZipArchive, DamagedEntryFailsAloneWhenRead)
{
    const QByteArray payload("payload of the second entry, long enough to be found");
    QByteArray bytes = ZipBytes({{QStringLiteral("one.txt"), QByteArray("first")}, {QStringLiteral("two.txt"), payload}});
    const qsizetype at = bytes.indexOf(payload);
    ASSERT_GT(at, 0);
    bytes[at + 3] = '#';
    const ZipArchive zip = ZipArchive::FromData(bytes, QStringLiteral("crc.zip"));
    EXPECT_EQ(zip.read(0), QByteArray("first"));
    const std::string error = ErrorOf([&] { zip.read(1); });
    EXPECT_NE(error.find("crc.zip"), std::string::npos) << error;
    EXPECT_NE(error.find("two.txt"), std::string::npos) << error;
}

TEST(ZipArchive, RefusesEntriesLargerThanTheCap)
{
    // A small deflated entry whose headers claim 512 MiB: refused before any
    // memory is taken for it.
    QByteArray bytes = ZipBytes({{QStringLiteral("bomb.bin"), QByteArray(1000, '\0'), true},
                                 {QStringLiteral("fine.txt"), QByteArray("fine")}});
    const uint32_t claimed = 512u << 20;
    auto patch = [&](const char* signature, int offset) {
        const qsizetype at = bytes.indexOf(QByteArray(signature, 4));
        ASSERT_GE(at, 0);
        std::memcpy(bytes.data() + at + offset, &claimed, 4); // little-endian field
    };
    patch("PK\x03\x04", 22); // local header: uncompressed size
    patch("PK\x01\x02", 24); // central directory: uncompressed size
    const ZipArchive zip = ZipArchive::FromData(bytes, QStringLiteral("bomb.zip"));
    const std::string error = ErrorOf([&] { zip.read(0); });
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_EQ(zip.read(1), QByteArray("fine"));
}

// Entries whose headers claim sizes, as a zip of a few kilobytes can.
QByteArray ClaimingSizes(std::vector<ZipEntry> entries, uint32_t claimed)
{
    QByteArray bytes = ZipBytes(entries);
    for (const char* signature : {"PK\x03\x04", "PK\x01\x02"})
        for (qsizetype at = bytes.indexOf(QByteArray(signature, 4)); at >= 0;
             at = bytes.indexOf(QByteArray(signature, 4), at + 4))
            std::memcpy(bytes.data() + at + (signature[2] == 3 ? 22 : 24), &claimed, 4);
    return bytes;
}

// Each entry within the cap, all of them together far beyond it: the reads
// stop at the archive's total instead of taking gigabytes one by one; and a
// caller's smaller cap for its kind of entry holds the same way.
TEST(ZipArchive, AUsersArchiveDeliversNoMoreThanItsTotalAndTheCallersCap)
{
    QTemporaryDir dir;
    const QString path = WriteBytes(dir, "bomb.zip",
                                    ClaimingSizes({{QStringLiteral("a.cube"), QByteArray(1000, ' '), true},
                                                   {QStringLiteral("b.cube"), QByteArray(1000, ' '), true},
                                                   {QStringLiteral("c.cube"), QByteArray(1000, ' '), true}},
                                                  200u << 20));
    const ZipArchive zip = ZipArchive::FromFile(path);
    EXPECT_NE(ErrorOf([&] { zip.read(0); }).find("damaged"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { zip.read(1); }).find("damaged"), std::string::npos);
    const std::string error = ErrorOf([&] { zip.read(2); });
    EXPECT_NE(error.find("an archive may hold in all"), std::string::npos) << error;

    const ZipArchive again = ZipArchive::FromFile(path);
    EXPECT_NE(ErrorOf([&] { again.read(0, 64 << 20); }).find("too large"), std::string::npos);
}

} // namespace
} // namespace pv
