#pragma once
// A zip archive with deflated entries (folders stored), the same bytes on
// every run: fixed time stamp, no extra fields.

#include <string>
#include <vector>

namespace lutgen {

struct ZipEntry {
    std::string name; // a name ending in '/' is a folder
    std::string data;
};

std::string BuildDeflatedZip(const std::vector<ZipEntry>& entries);

} // namespace lutgen
