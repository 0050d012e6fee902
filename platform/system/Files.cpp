#include "platform/system/Files.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>

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

} // namespace

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
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
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
