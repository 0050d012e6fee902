// Writes the archive of the built-in lookup tables:
//   pv_lutgen <output.zip>
// Every run writes the same bytes.

#include "tools/common/AtomicFile.h"
#include "tools/common/DeterministicZip.h"
#include "tools/lutgen/Looks.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace lutgen {
namespace {

void AppendNumber(std::string& out, double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    out.append(buf, r.ptr);
}

std::string CubeText(const Look& look)
{
    const int n = look.size;
    std::string out;
    out.reserve(size_t(n) * n * n * 27 + 256);
    out += "# Pelandrovium built-in look\n";
    out += "TITLE \"" + std::string(look.name) + "\"\n";
    out += "DOMAIN_MIN 0.0 0.0 0.0\nDOMAIN_MAX 1.0 1.0 1.0\n";
    out += "LUT_3D_SIZE " + std::to_string(n) + "\n";
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const RGB in{double(r) / (n - 1), double(g) / (n - 1), double(b) / (n - 1)};
                const RGB c = Clamp01(look.grade(in));
                AppendNumber(out, c.r);
                out += ' ';
                AppendNumber(out, c.g);
                out += ' ';
                AppendNumber(out, c.b);
                out += '\n';
            }
    return out;
}

} // namespace
} // namespace lutgen

int main(int argc, char** argv)
{
    using namespace lutgen;
    if (argc != 2) {
        std::cerr << "usage: pv_lutgen <output.zip>\n";
        return 2;
    }
    const std::string folder = "Pelandrovium_LUTs/";
    std::vector<pvtools::ZipEntry> entries{{folder, {}}};
    for (const Look& look : BuiltInLooks())
        entries.push_back({folder + look.name + ".cube", CubeText(look)});
    const std::string zip = pvtools::BuildZip(entries, pvtools::ZipMethod::Deflated);

    std::string error;
    if (!pvtools::WriteFileAtomically(std::filesystem::path(argv[1]), zip, error)) {
        std::cerr << "pv_lutgen: " << error << "\n";
        return 1;
    }
    return 0;
}
