#pragma once
// A zip archive whose entries are stored uncompressed, written byte for byte
// the same on every run (fixed time stamp, no extra fields).

#include <QByteArray>
#include <QString>

#include <vector>

namespace resgen {

struct ZipEntry {
    QString name;
    QByteArray data;
};

QByteArray BuildStoredZip(const std::vector<ZipEntry>& entries);

} // namespace resgen
