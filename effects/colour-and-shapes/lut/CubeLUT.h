#pragma once
// 3D colour lookup tables in the cube text format, and the mapping of pixels
// through them by tetrahedral interpolation. The LUT effect and the
// lookup-table panel both read tables here, so they accept exactly the same
// files and colour the same way.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace pv {

// One lattice point's output colour (nominally 0..1; other values are kept
// and clamped only when a colour is produced), or a domain bound.
struct TLUTRGBf {
    float R = 0, G = 0, B = 0;
};

// A parsed table. Entry r + n * (g + n * b) is the lattice point with red
// index r, green g and blue b: red varies fastest.
struct TCubeLUT {
    int Size = 0; // n, lattice points per axis; 0 = no valid table
    std::vector<TLUTRGBf> Table;
    TLUTRGBf DomainMin{0, 0, 0};
    TLUTRGBf DomainMax{1, 1, 1};

    bool valid() const { return Size > 0; }
};

// Largest lattice accepted; a size line beyond it (or below 1) makes the table
// invalid instead of reserving gigabytes for a file that cannot hold it.
constexpr int kMaxCubeLUTSize = 256;

// Reads cube text (UTF-8, optional byte-order mark, lines ending in CR, LF or
// CR LF). Never throws for bad input: the result then has Size 0.
TCubeLUT ParseCubeLUT(std::span<const char> text);
TCubeLUT LoadCubeFromBytes(const QByteArray& data);
// Throws pv::Exception when the file cannot be read.
TCubeLUT LoadCubeFromFile(const QString& path);

// The number readers of the format (invariant decimals; integers in decimal or
// hexadecimal after "$" or "0x"). False when the text is not such a number.
bool ParseCubeFloat(std::string_view text, float& value);
bool ParseCubeInt(std::string_view text, int& value);

// Where a coordinate falls on one axis of the lattice: the offset of the
// lattice point below it in the table, the offset step to the point above (0 on
// the last point) and the fraction between the two.
struct TLUTAxisPoint {
    int lo = 0;
    int step = 0;
    float frac = 0;
};

// Maps straight 8-bit colours through a table: the lattice coordinate of each
// channel byte is worked out once, so a pixel costs its four table reads and
// the interpolation.
class TLUTMapper {
public:
    // Intensity: share of the table's colour (clamped to 0..1).
    TLUTMapper(const TCubeLUT& lut, float intensity);

    // The table's colour at lattice coordinates (each 0..n - 1).
    TLUTRGBf Interpolate(float fr, float fg, float fb) const;
    // One premultiplied pixel: graded on its straight colour, mixed with it by
    // the intensity, premultiplied again. Transparent pixels pass unchanged.
    uint32_t MapPixel(uint32_t pixel) const;
    void MapRow(const uint32_t* src, uint32_t* dst, int count) const;

private:
    const TCubeLUT& lut_;
    float intensity_;
    TLUTAxisPoint red_[256], green_[256], blue_[256];

    uint32_t MapStraight(int R, int G, int B) const;
};

} // namespace pv
