#include "tools/resgen/StoredZip.h"

#include <zlib.h>

#include <stdexcept>

namespace resgen {
namespace {

// 2024-01-01 00:00:00 in MS-DOS form.
constexpr uint16_t kDosTime = 0;
constexpr uint16_t kDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;

void Put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

QByteArray BuildStoredZip(const std::vector<ZipEntry>& entries)
{
    QByteArray out, central;
    for (const ZipEntry& e : entries) {
        const QByteArray name = e.name.toUtf8();
        if (qint64(out.size()) + e.data.size() > 0x7FFFFFFFll)
            throw std::runtime_error("archive too large for a plain zip");
        const uint32_t crc = uint32_t(crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(e.data.constData()),
                                              size_t(e.data.size())));
        const uint32_t size = uint32_t(e.data.size());
        const uint32_t offset = uint32_t(out.size());

        Put32(out, 0x04034B50);
        Put16(out, 10); // version needed: stored data
        Put16(out, 0x0800); // names in UTF-8
        Put16(out, 0); // stored
        Put16(out, kDosTime);
        Put16(out, kDosDate);
        Put32(out, crc);
        Put32(out, size);
        Put32(out, size);
        Put16(out, uint32_t(name.size()));
        Put16(out, 0);
        out.append(name);
        out.append(e.data);

        Put32(central, 0x02014B50);
        Put16(central, 0x0314); // made by: Unix, 2.0
        Put16(central, 10);
        Put16(central, 0x0800);
        Put16(central, 0);
        Put16(central, kDosTime);
        Put16(central, kDosDate);
        Put32(central, crc);
        Put32(central, size);
        Put32(central, size);
        Put16(central, uint32_t(name.size()));
        Put16(central, 0); // extra
        Put16(central, 0); // comment
        Put16(central, 0); // disk
        Put16(central, 0); // internal attributes
        Put32(central, 0100644u << 16); // regular file, rw-r--r--
        Put32(central, offset);
        central.append(name);
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out.append(central);
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

} // namespace resgen
