#include "platform/system/Files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>

namespace pv {
namespace {

// A device that takes at most `perCall` bytes a write and fails once
// `capacity` bytes are in, the way a disk does when it fills up.
class FillingDevice : public QIODevice {
public:
    FillingDevice(qint64 capacity, qint64 perCall) : capacity_(capacity), perCall_(perCall)
    {
        open(QIODevice::WriteOnly);
    }
    QByteArray received;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        const qint64 room = capacity_ - received.size();
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = std::min({len, perCall_, room});
        received.append(data, n);
        return n;
    }

private:
    qint64 capacity_, perCall_;
};

// A device that accepts nothing and names no reason.
class StuckDevice : public QIODevice {
public:
    StuckDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return 0; }
};

TEST(WriteAllTo, GoesOnAfterShortWritesAndReportsTheDevicesReason)
{
    const QByteArray data(1000, 'x');
    struct Case {
        qint64 capacity, perCall;
        bool ok;
    };
    for (const Case& c : {Case{1000, 7, true}, Case{5000, 1000, true}, Case{999, 100, false}, Case{0, 100, false}}) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", per call " << c.perCall);
        FillingDevice device(c.capacity, c.perCall);
        QString why;
        EXPECT_EQ(WriteAllTo(device, data, &why), c.ok);
        if (c.ok) {
            EXPECT_TRUE(device.received == data);
        } else {
            EXPECT_EQ(why.toStdString(), "No space left on device");
        }
    }
}

TEST(WriteAllTo, ADeviceThatTakesNothingFailsWithAReason)
{
    StuckDevice device;
    QString why;
    EXPECT_FALSE(WriteAllTo(device, QByteArray(10, 'x'), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_NE(why.toStdString(), "Unknown error");
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// A folder the user may not add files to, holding a file the user may write.
// Where the system lets the test write anyway (it runs as root), the folder's
// refusal is put in through the fault hook.
class ReadOnlyFolder : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        old_ = dir_.filePath(QStringLiteral("out.png"));
        QFile f(old_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(oldContent_);
        f.close();
        ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
        QFile intruder(dir_.filePath(QStringLiteral("intruder")));
        refusedBySystem_ = !intruder.open(QIODevice::WriteOnly);
        if (!refusedBySystem_)
            intruder.remove();
    }
    void TearDown() override
    {
        SetFileWriteFaults({});
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The folder's refusal, plus whatever else the case puts in.
    void Faults(TFileWriteFaults faults)
    {
        faults.refuseTemporaryFiles = faults.refuseTemporaryFiles || !refusedBySystem_;
        SetFileWriteFaults(faults);
    }
    QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir_;
    QString old_;
    bool refusedBySystem_ = false;
    const QByteArray oldContent_ = QByteArray(3000, 'o');
};

TEST_F(ReadOnlyFolder, AWritableFileIsWrittenInPlaceAndKeepsItsOldContentWhenThatFails)
{
    const struct {
        const char* what;
        qint64 failAfter;
        qsizetype size;
        bool ok;
    } cases[] = {
        {"a longer picture", -1, 5000, true},
        {"a shorter picture", -1, 100, true},
        {"a write that stops half-way", 1000, 5000, false},
        {"a write that stops before the old length", 10, 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Faults({.failInPlaceAfter = c.failAfter});
        const QByteArray data(c.size, 'n');
        QString why;
        EXPECT_EQ(WriteFileAtomically(old_, data, &why), c.ok) << why.toStdString();
        if (c.ok) {
            EXPECT_TRUE(ReadAll(old_) == data);
            // Put the old file back for the next case.
            EXPECT_TRUE(WriteFileAtomically(old_, oldContent_));
        } else {
            EXPECT_EQ(why.toStdString(), "No space left on device");
            EXPECT_TRUE(ReadAll(old_) == oldContent_) << "the old content is kept";
        }
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.png")}) << "nothing left beside it";
    }
}

TEST_F(ReadOnlyFolder, OnlyAFolderThatRefusesATemporaryFileLetsAFileBeWrittenInPlace)
{
    // A new file cannot be made there at all.
    Faults({});
    QString why;
    EXPECT_FALSE(WriteFileAtomically(dir_.filePath(QStringLiteral("new.png")), "new", &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.png")});

    // A folder that takes a temporary file gets the whole-file replacement:
    // the fault of a write in place never comes into it.
    SetFileWriteFaults({});
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    SetFileWriteFaults({.failInPlaceAfter = 0});
    EXPECT_TRUE(WriteFileAtomically(old_, QByteArray(50, 'n'), &why)) << why.toStdString();
    EXPECT_TRUE(ReadAll(old_) == QByteArray(50, 'n'));
}

// A 128 KiB file system of its own, filled to the last byte but for an old
// file, so that saving over that file runs out of space. Needs the right to
// mount (root); skipped otherwise.
class FullDisk : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system needs root";
        const QByteArray path = QFile::encodeName(dir_.path());
        if (mount("tmpfs", path.constData(), "tmpfs", 0, "size=128k") != 0)
            GTEST_SKIP() << "no tmpfs mount allowed here";
        mounted_ = true;
        oldFile_ = dir_.filePath(QStringLiteral("out.png"));
        QFile old(oldFile_);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        ASSERT_EQ(old.write(oldContent_), oldContent_.size());
        old.close();
        QFile filler(dir_.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) > 0) {
        }
    }
    void TearDown() override
    {
        if (mounted_)
            umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }

    QTemporaryDir dir_;
    bool mounted_ = false;
    QString oldFile_;
    const QByteArray oldContent_ = QByteArray(35000, 'o');
};

TEST_F(FullDisk, ASaveThatDoesNotFitFailsWithTheReasonAndKeepsTheOldFile)
{
    // 1 KiB stays in the write buffer until the end; 200 KiB is written in
    // part before the disk is full.
    for (const qsizetype size : {qsizetype(1024), qsizetype(200 * 1024)}) {
        SCOPED_TRACE(size);
        QString why;
        EXPECT_FALSE(WriteFileAtomically(oldFile_, QByteArray(size, 'n'), &why));
        EXPECT_EQ(why.toStdString(), "No space left on device");
        QFile old(oldFile_);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_TRUE(old.readAll() == oldContent_) << "the old file changed";
    }
}

} // namespace
} // namespace pv
