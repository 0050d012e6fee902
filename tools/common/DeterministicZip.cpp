#include "tools/common/DeterministicZip.h"

#include <zlib.h>

#include <cstdint>
#include <stdexcept>

namespace pvtools {
namespace {

// 1 January 2024, 00:00, in MS-DOS format.
constexpr uint16_t kDosTime = 0;
constexpr uint16_t kDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;

void Put16(std::string& out, uint32_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string RawDeflate(const std::string& data)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&z, uLong(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

} // namespace

std::string BuildZip(const std::vector<ZipEntry>& entries, ZipMethod method)
{
    std::string out, central;
    for (const ZipEntry& e : entries) {
        const bool folder = !e.name.empty() && e.name.back() == '/';
        const bool deflated = method == ZipMethod::Deflated && !folder;
        const std::string packed = deflated ? RawDeflate(e.data) : std::string();
        const std::string& body = deflated ? packed : e.data;
        if (out.size() + body.size() > 0x7FFFFFFFu)
            throw std::runtime_error("archive too large for a plain zip");
        const uint32_t crc = uint32_t(crc32_z(0, reinterpret_cast<const Bytef*>(e.data.data()), e.data.size()));
        const uint16_t zipMethod = deflated ? 8 : 0;
        const uint16_t versionNeeded = deflated ? 20 : 10;
        const uint32_t offset = uint32_t(out.size());

        Put32(out, 0x04034B50);
        Put16(out, versionNeeded);
        Put16(out, 0x0800); // names are UTF-8
        Put16(out, zipMethod);
        Put16(out, kDosTime);
        Put16(out, kDosDate);
        Put32(out, crc);
        Put32(out, uint32_t(body.size()));
        Put32(out, uint32_t(e.data.size()));
        Put16(out, uint32_t(e.name.size()));
        Put16(out, 0);
        out += e.name;
        out += body;

        Put32(central, 0x02014B50);
        Put16(central, 0x0314); // made by: Unix, 2.0
        Put16(central, versionNeeded);
        Put16(central, 0x0800);
        Put16(central, zipMethod);
        Put16(central, kDosTime);
        Put16(central, kDosDate);
        Put32(central, crc);
        Put32(central, uint32_t(body.size()));
        Put32(central, uint32_t(e.data.size()));
        Put16(central, uint32_t(e.name.size()));
        Put16(central, 0); // extra
        Put16(central, 0); // comment
        Put16(central, 0); // disk
        Put16(central, 0); // internal attributes
        // External attributes: a folder (rwxr-xr-x) or a regular file (rw-r--r--).
        Put32(central, folder ? (0040755u << 16) | 0x10u : 0100644u << 16);
        Put32(central, offset);
        central += e.name;
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out += central;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, uint32_t(entries.size()));
    Put16(out, uint32_t(entries.size()));
    Put32(out, uint32_t(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

} // namespace pvtools
