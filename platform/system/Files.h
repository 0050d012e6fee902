#pragma once
// File helpers: whole-file reads and writes that never leave a partial file.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace pv {

// Writes data to path through a temporary file that replaces the target only
// when everything was written. A folder that takes no temporary file (one the
// user may not add to) may still hold a file the user may write: that file is
// then written in place, and given its old content back when the write fails.
// Returns false (and leaves any old file as it was) on failure; errorText,
// when given, receives the reason.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* errorText = nullptr);

// Faults the tests put in where the system would not fail: a test running as
// root may write into any folder.
struct TFileWriteFaults {
    // No folder takes a temporary file, as a read-only one does not.
    bool refuseTemporaryFiles = false;
    // A write in place stops after this many bytes, as on a full disk (-1: never).
    qint64 failInPlaceAfter = -1;
};
// For tests only; the default puts in none.
void SetFileWriteFaults(const TFileWriteFaults& faults);

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
