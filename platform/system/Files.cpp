#include "platform/system/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace pv {

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* errorText)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
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

} // namespace pv
