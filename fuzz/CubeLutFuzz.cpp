// The cube reader on any bytes, then a few colours through the table it gives.

#include "FuzzSupport.h"

#include "effects/colour-and-shapes/lut/CubeLUT.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    const TCubeLUT lut = ParseCubeLUT({reinterpret_cast<const char*>(data), size});
    if (!lut.valid()) {
        FUZZ_EXPECT(lut.Table.empty());
        return 0;
    }
    FUZZ_EXPECT(lut.Size >= 1 && lut.Size <= kMaxCubeLUTSize);
    FUZZ_EXPECT(lut.Table.size() == size_t(lut.Size) * size_t(lut.Size) * size_t(lut.Size));
    const TLUTMapper mapper(lut, 0.75f);
    const uint32_t pixels[] = {0x00000000u, 0xFF000000u, 0xFFFFFFFFu, 0x80402010u, 0x01010101u, 0xFF7F80FFu};
    for (const uint32_t p : pixels) {
        const uint32_t mapped = mapper.MapPixel(p);
        const uint32_t a = mapped >> 24;
        FUZZ_EXPECT(a == p >> 24);
        FUZZ_EXPECT(((mapped >> 16) & 0xFF) <= a && ((mapped >> 8) & 0xFF) <= a && (mapped & 0xFF) <= a);
    }
    const float n = float(lut.Size - 1);
    mapper.Interpolate(-1.0f, n * 0.5f, n + 1.0f);
    return 0;
}
