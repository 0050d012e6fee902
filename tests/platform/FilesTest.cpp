#include "platform/system/Files.h"

#include <gtest/gtest.h>

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
