#include "platform/system/Files.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace pv {
namespace {

// The device's reason, or a plain one where the device has none to give (a
// short write without an error code reads "Unknown error" otherwise).
void SetWriteError(const QIODevice& device, QString* errorText)
{
    if (!errorText)
        return;
    QString reason = device.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("Not all data could be written");
    *errorText = reason;
}

TFileWriteFaults gFaults;

constexpr char kPermissionDenied[] = "Permission denied";

// True when the target's folder takes no new file of ours.
bool FolderRefusesTemporaryFile(const QString& path)
{
    if (gFaults.refuseTemporaryFiles)
        return true;
    QTemporaryFile probe(AbsoluteFolderOf(path) + QStringLiteral(".pv-probe-XXXXXX"));
    return !probe.open();
}

// The old file overwritten from its start and cut to the new length; on a
// failure its old bytes are written back over it.
bool WriteInPlace(const QString& path, const QByteArray& data, QString* errorText)
{
    QFile file(path);
    // Opened without truncation: nothing changes until the old content is read.
    if (!file.open(QIODevice::ReadWrite)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError || old.size() != file.size() || !file.seek(0)) {
        SetWriteError(file, errorText);
        return false;
    }
    QString why;
    bool written;
    if (gFaults.failInPlaceAfter >= 0 && gFaults.failInPlaceAfter < data.size()) {
        WriteAllTo(file, data.left(gFaults.failInPlaceAfter));
        why = QStringLiteral("No space left on device");
        written = false;
    } else {
        written = WriteAllTo(file, data, &why);
        if (written && !file.resize(data.size())) {
            SetWriteError(file, &why);
            written = false;
        }
    }
    if (written)
        return true;
    // The old bytes' room is still the file's, so they fit back.
    file.unsetError();
    if (!file.seek(0) || !WriteAllTo(file, old) || !file.resize(old.size()))
        why += QStringLiteral("; the file's old content could not be put back");
    if (errorText)
        *errorText = why;
    return false;
}

} // namespace

void SetFileWriteFaults(const TFileWriteFaults& faults) { gFaults = faults; }

bool WriteAllTo(QIODevice& device, const QByteArray& data, QString* errorText)
{
    const char* at = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        // A short write (a disk that fills up on the way) is retried with the
        // rest: the next write then fails with the system's reason.
        const qint64 written = device.write(at, left);
        if (written <= 0) {
            SetWriteError(device, errorText);
            return false;
        }
        at += written;
        left -= written;
    }
    // Small writes only reach the buffer; their failure shows in the flush.
    if (auto* file = qobject_cast<QFileDevice*>(&device); file && !file->flush()) {
        SetWriteError(device, errorText);
        return false;
    }
    return true;
}

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* errorText)
{
    QSaveFile file(path);
    if (gFaults.refuseTemporaryFiles || !file.open(QIODevice::WriteOnly)) {
        const QFileInfo target(path);
        if (target.isFile() && target.isWritable() && FolderRefusesTemporaryFile(path))
            return WriteInPlace(path, data, errorText);
        if (errorText)
            *errorText = gFaults.refuseTemporaryFiles ? QString::fromLatin1(kPermissionDenied) : file.errorString();
        return false;
    }
    if (!WriteAllTo(file, data, errorText)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        SetWriteError(file, errorText);
        return false;
    }
    return true;
}

QString AbsoluteFolderOf(const QString& filePath)
{
    const QString absolute = QDir::current().absoluteFilePath(filePath.isEmpty() ? QStringLiteral(".") : filePath);
    QString folder = filePath.isEmpty() ? QDir::cleanPath(absolute) : QFileInfo(absolute).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString LowerExtension(const QString& filePath)
{
    const QString name = QFileInfo(filePath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

TQuietStandardError::TQuietStandardError()
{
    std::fflush(stderr);
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0)
        return;
    saved_ = ::dup(STDERR_FILENO);
    if (saved_ >= 0 && ::dup2(sink, STDERR_FILENO) < 0) {
        ::close(saved_);
        saved_ = -1;
    }
    ::close(sink);
}

TQuietStandardError::~TQuietStandardError()
{
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
}

} // namespace pv
