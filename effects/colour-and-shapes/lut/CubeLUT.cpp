// The cube reader works on the bytes directly: every byte the grammar cares
// about (keywords, digits, blanks, line ends) is ASCII, and the bytes of a
// multi-byte UTF-8 sequence (valid or not) are all above 0x7F, so they can
// never be mistaken for any of them. Reading bytes therefore accepts exactly
// what reading the decoded text would.

#include "effects/colour-and-shapes/lut/CubeLUT.h"

#include "platform/system/Errors.h"
#include "platform/system/Numbers.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace pv {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameKeyword(std::string_view word, std::string_view upper)
{
    if (word.size() != upper.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != upper[i])
            return false;
    }
    return true;
}

// Splits at spaces and tabs, dropping empty fields; keeps at most `max`.
int SplitFields(std::string_view line, std::string_view* fields, int max)
{
    int count = 0;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) {
            if (count < max)
                fields[count] = line.substr(start, i - start);
            ++count;
        }
    }
    return count;
}

float FieldOr(std::string_view field, float fallback)
{
    float v;
    return ParseCubeFloat(field, v) ? v : fallback;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool ParseCubeFloat(std::string_view text, float& value)
{
    // sign? digits [. digits] | . digits, then an optional exponent. Nothing
    // else: no comma separator, no "inf" or "nan" (a table of infinities would
    // colour every pixel with a rounding accident).
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t mantissa = i;
    int digits = 0, intDigits = 0, firstNonZero = -1;
    auto scanDigits = [&] {
        for (; i < text.size() && IsDigit(text[i]); ++i, ++digits)
            if (firstNonZero < 0 && text[i] != '0')
                firstNonZero = digits;
    };
    scanDigits();
    intDigits = digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        scanDigits();
    }
    if (digits == 0)
        return false;
    int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negExp = text[i++] == '-';
        if (i == text.size() || !IsDigit(text[i]))
            return false;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), int64_t(1) << 40);
        if (negExp)
            exponent = -exponent;
    }
    if (i != text.size())
        return false;
    if (firstNonZero < 0) {
        value = negative ? -0.0f : 0.0f;
        return true;
    }
    double d = 0;
    const auto [end, ec] = std::from_chars(text.data() + mantissa, text.data() + text.size(), d);
    if (ec == std::errc::result_out_of_range) {
        // Far below one reads as zero; far above is no number a table can hold.
        if (intDigits - firstNonZero + exponent > 0)
            return false;
        d = 0;
    } else if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    const float f = static_cast<float>(negative ? -d : d);
    if (!std::isfinite(f))
        return false;
    value = f;
    return true;
}

bool ParseCubeInt(std::string_view text, int& value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16, ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16, i += 2;
    }
    if (i == text.size() || text[i] == '+' || text[i] == '-')
        return false;
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    value = int(v);
    return true;
}

TCubeLUT ParseCubeLUT(std::span<const char> bytes)
{
    TCubeLUT lut;
    int64_t length = 0; // n³ of the current size
    int64_t count = 0;  // data lines taken
    std::string_view text(bytes.data(), bytes.size());
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);

    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos) {
            text = {};
        } else {
            const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            text.remove_prefix(end + (crlf ? 2 : 1));
        }

        line = Trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        const std::string_view keyword = line.substr(0, line.find(' '));

        if (SameKeyword(keyword, "TITLE"))
            continue;
        if (SameKeyword(keyword, "LUT_3D_SIZE")) {
            int n = 0;
            if (!ParseCubeInt(Trim(line.substr(11)), n) || n < 1 || n > kMaxCubeLUTSize)
                n = 0;
            lut.Size = n;
            length = int64_t(n) * n * n;
            // The table grows with the data lines actually read, so a size line
            // promising more than the text holds costs nothing.
            if (int64_t(lut.Table.size()) > length)
                lut.Table.resize(size_t(length));
            continue;
        }
        if (SameKeyword(keyword, "LUT_1D_SIZE"))
            return {};
        std::string_view f[4];
        if (SameKeyword(keyword, "DOMAIN_MIN") || SameKeyword(keyword, "DOMAIN_MAX")) {
            if (SplitFields(line, f, 4) < 4)
                continue;
            const bool isMin = SameKeyword(keyword, "DOMAIN_MIN");
            const float fallback = isMin ? 0.0f : 1.0f;
            const TLUTRGBf v{FieldOr(f[1], fallback), FieldOr(f[2], fallback), FieldOr(f[3], fallback)};
            (isMin ? lut.DomainMin : lut.DomainMax) = v;
            continue;
        }
        if (lut.Size == 0 || count >= length || SplitFields(line, f, 3) < 3)
            continue;
        // Entry `count` goes to its own row even when a later, larger size line
        // left the table shorter than the rows counted so far (the rows between
        // stay zero).
        if (int64_t(lut.Table.size()) <= count)
            lut.Table.resize(size_t(count) + 1);
        lut.Table[size_t(count)] = {FieldOr(f[0], 0.0f), FieldOr(f[1], 0.0f), FieldOr(f[2], 0.0f)};
        ++count;
    }

    if (count != length || lut.Size == 0) {
        lut.Size = 0;
        lut.Table.clear();
    } else {
        lut.Table.resize(size_t(length));
    }
    return lut;
}

TCubeLUT LoadCubeFromBytes(const QByteArray& data) { return ParseCubeLUT({data.constData(), size_t(data.size())}); }

TCubeLUT LoadCubeFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception("Cannot open file \"" + path.toStdString() + "\". " + file.errorString().toStdString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception("Cannot read file \"" + path.toStdString() + "\". " + file.errorString().toStdString());
    return LoadCubeFromBytes(data);
}

// ------------------------------------------------------------------ mapping

namespace {

TLUTAxisPoint AxisPoint(float f, int n, int stride)
{
    f = std::isnan(f) ? 0.0f : Clamp(f, 0.0f, float(n - 1));
    const int i = int(f);
    return {i * stride, i < n - 1 ? stride : 0, f - float(i)};
}

// Tetrahedral interpolation: the cell is cut into six tetrahedra along its
// main diagonal; the one holding the point is found by ordering the fractions,
// and the colour follows the path from the low corner to the high one along
// one axis at a time (ties go to the first listed tetrahedron).
TLUTRGBf Tetrahedral(const TLUTRGBf* table, const TLUTAxisPoint& r, const TLUTAxisPoint& g, const TLUTAxisPoint& b)
{
    const TLUTRGBf* t = table + r.lo + g.lo + b.lo;
    const int sr = r.step, sg = g.step, sb = b.step;
    const double dr = r.frac, dg = g.frac, db = b.frac;
    int first, second;
    double w1, w2, w3;
    if (dr >= dg) {
        if (dg >= db)
            first = sr, second = sr + sg, w1 = dr, w2 = dg, w3 = db;
        else if (dr >= db)
            first = sr, second = sr + sb, w1 = dr, w2 = db, w3 = dg;
        else
            first = sb, second = sr + sb, w1 = db, w2 = dr, w3 = dg;
    } else {
        if (db >= dg)
            first = sb, second = sg + sb, w1 = db, w2 = dg, w3 = dr;
        else if (db >= dr)
            first = sg, second = sg + sb, w1 = dg, w2 = db, w3 = dr;
        else
            first = sg, second = sr + sg, w1 = dg, w2 = dr, w3 = db;
    }
    const TLUTRGBf& c0 = t[0];
    const TLUTRGBf& c1 = t[first];
    const TLUTRGBf& c2 = t[second];
    const TLUTRGBf& c3 = t[sr + sg + sb];
    return {static_cast<float>(c0.R + w1 * (double(c1.R) - c0.R) + w2 * (double(c2.R) - c1.R) +
                               w3 * (double(c3.R) - c2.R)),
            static_cast<float>(c0.G + w1 * (double(c1.G) - c0.G) + w2 * (double(c2.G) - c1.G) +
                               w3 * (double(c3.G) - c2.G)),
            static_cast<float>(c0.B + w1 * (double(c1.B) - c0.B) + w2 * (double(c2.B) - c1.B) +
                               w3 * (double(c3.B) - c2.B))};
}

// round(v * 255) into a byte; values far outside 0..1 clamp before rounding.
inline int ToByte(float v)
{
    const double d = double(v) * 255.0;
    return d <= 0 ? 0 : (d >= 255 ? 255 : int(std::nearbyint(d)));
}

inline int MixByte(int from, int to, float intensity)
{
    return ClampToByte(int(std::nearbyint(double(from) + double(to - from) * double(intensity))));
}

} // namespace

TLUTMapper::TLUTMapper(const TCubeLUT& lut, float intensity) : lut_(lut), intensity_(Clamp(intensity, 0.0f, 1.0f))
{
    const int n = lut.Size;
    const TLUTRGBf& lo = lut.DomainMin;
    const TLUTRGBf& hi = lut.DomainMax;
    auto inverse = [](float min, float max) { return max - min > 0 ? 1.0f / (max - min) : 1.0f; };
    const float inv[3] = {inverse(lo.R, hi.R), inverse(lo.G, hi.G), inverse(lo.B, hi.B)};
    const float min[3] = {lo.R, lo.G, lo.B};
    const int stride[3] = {1, n, n * n};
    TLUTAxisPoint* axes[3] = {red_, green_, blue_};
    const float unit = 1.0f / 255.0f;
    // A lattice coordinate depends on one channel byte only.
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const float x = float(v) * unit;
            const float f = static_cast<float>((double(x) - double(min[c])) * double(inv[c]) * double(n - 1));
            axes[c][v] = AxisPoint(f, n, stride[c]);
        }
}

TLUTRGBf TLUTMapper::Interpolate(float fr, float fg, float fb) const
{
    const int n = lut_.Size;
    return Tetrahedral(lut_.Table.data(), AxisPoint(fr, n, 1), AxisPoint(fg, n, n), AxisPoint(fb, n, n * n));
}

uint32_t TLUTMapper::MapStraight(int R, int G, int B) const
{
    const TLUTRGBf c = Tetrahedral(lut_.Table.data(), red_[R], green_[G], blue_[B]);
    int nr = ToByte(c.R), ng = ToByte(c.G), nb = ToByte(c.B);
    if (intensity_ < 1.0f) {
        nr = MixByte(R, nr, intensity_);
        ng = MixByte(G, ng, intensity_);
        nb = MixByte(B, nb, intensity_);
    }
    return uint32_t(nr) << 16 | uint32_t(ng) << 8 | uint32_t(nb);
}

uint32_t TLUTMapper::MapPixel(uint32_t v) const
{
    const uint32_t A = v >> 24;
    if (A == 0)
        return v;
    int R = (v >> 16) & 0xFF, G = (v >> 8) & 0xFF, B = v & 0xFF;
    if (A == 255)
        return 0xFF000000u | MapStraight(R, G, B);
    R = ClampToByte(R * 255 / int(A));
    G = ClampToByte(G * 255 / int(A));
    B = ClampToByte(B * 255 / int(A));
    const uint32_t c = MapStraight(R, G, B);
    const uint32_t r = ((c >> 16) & 0xFF) * A / 255, g = ((c >> 8) & 0xFF) * A / 255, b = (c & 0xFF) * A / 255;
    return A << 24 | r << 16 | g << 8 | b;
}

// Flattened: the per-pixel mapping is inlined into the row loop.
[[gnu::flatten]] void TLUTMapper::MapRow(const uint32_t* src, uint32_t* dst, int count) const
{
    for (int x = 0; x < count; ++x)
        dst[x] = MapPixel(src[x]);
}

} // namespace pv
