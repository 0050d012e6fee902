#pragma once
// File helpers: whole-file reads and writes that never leave a partial file.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace pv {

// Writes data to path through a temporary file that replaces the target only
// when everything was written. Returns false (and leaves any old file alone)
// on failure; errorText, when given, receives the reason.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* errorText = nullptr);

// Writes all of data to an open device, going on after short writes, and
// flushes a file device's buffer, so that a full disk shows here and not
// after the file was committed. False on the first failure; errorText then
// receives the device's reason.
bool WriteAllTo(QIODevice& device, const QByteArray& data, QString* errorText = nullptr);

// Folder of a file path made absolute against the current folder, with a
// trailing separator.
QString AbsoluteFolderOf(const QString& filePath);

// Lower-case extension with its dot (".jpg"), or an empty string.
QString LowerExtension(const QString& filePath);

// Sends what libraries print on standard error (decoder libraries report
// broken files there themselves) to nowhere for as long as it lives. For runs
// whose only report is their status file; one at a time per process.
class TQuietStandardError {
public:
    TQuietStandardError();
    ~TQuietStandardError();
    TQuietStandardError(const TQuietStandardError&) = delete;
    TQuietStandardError& operator=(const TQuietStandardError&) = delete;

private:
    int saved_ = -1;
};

} // namespace pv
