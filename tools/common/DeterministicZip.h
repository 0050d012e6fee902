#pragma once
// A zip archive written byte for byte the same on every run: fixed time stamp,
// no extra fields, names in UTF-8. Entries are stored or deflated; a name
// ending in '/' is a folder.

#include <string>
#include <vector>

namespace pvtools {

struct ZipEntry {
    std::string name;
    std::string data;
};

enum class ZipMethod { Stored, Deflated };

std::string BuildZip(const std::vector<ZipEntry>& entries, ZipMethod method);

} // namespace pvtools
