#pragma once
// What the fuzz targets share: a failed expectation ends the run with a
// message (so libFuzzer keeps the input), and a scratch file for readers that
// take a path.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_EXPECT(condition)                                                                                     \
    do {                                                                                                           \
        if (!(condition)) {                                                                                        \
            std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                          \
        }                                                                                                          \
    } while (false)

namespace pv::fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Writes the input to one file per process (in the temporary folder, named
// with the process id and the given suffix) and returns its path.
inline QString ScratchFile(const QByteArray& bytes, const QString& suffix)
{
    static const QString folder = QDir::tempPath();
    const QString path =
        QStringLiteral("%1/pv-fuzz-%2%3").arg(folder).arg(QCoreApplication::applicationPid()).arg(suffix);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

} // namespace pv::fuzz
