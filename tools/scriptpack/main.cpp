// Writes the archive of the example scripts:
//   pv_scriptpack <output.zip> <script.vls>...
// Each script becomes a deflated entry at the archive's root, in the order
// given, with CR LF line breaks whatever the source file uses. Every run
// writes the same bytes.

#include "tools/common/AtomicFile.h"
#include "tools/common/DeterministicZip.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

std::string WithCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: pv_scriptpack <output.zip> <script.vls>...\n";
        return 2;
    }
    std::vector<pvtools::ZipEntry> entries;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path source(argv[i]);
        std::ifstream in(source, std::ios::binary);
        if (!in) {
            std::cerr << "pv_scriptpack: cannot read " << source << "\n";
            return 1;
        }
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        entries.push_back({source.filename().string(), WithCrLf(text)});
    }
    const std::string zip = pvtools::BuildZip(entries, pvtools::ZipMethod::Deflated);

    std::string error;
    if (!pvtools::WriteFileAtomically(std::filesystem::path(argv[1]), zip, error)) {
        std::cerr << "pv_scriptpack: " << error << "\n";
        return 1;
    }
    return 0;
}
