#include "ColourTestUtil.h"

#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "platform/system/Errors.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace pv {
namespace {

using test::PixelAt;

// n lines "r g b" of a table of size 2 whose entry k is (k, k, k) / 10.
std::string Rows(int count, const char* eol = "\n")
{
    std::string s;
    for (int k = 0; k < count; ++k) {
        const std::string v = std::to_string(k / 10.0).substr(0, 3);
        s += v + " " + v + " " + v + eol;
    }
    return s;
}

TCubeLUT Parse(const std::string& text) { return ParseCubeLUT({text.data(), text.size()}); }

TEST(CubeLUT, GrammarCases)
{
    struct Case {
        const char* what;
        std::string text;
        int size;
    };
    const Case cases[] = {
        {"plain", "LUT_3D_SIZE 2\n" + Rows(8), 2},
        {"byte-order mark before the size", "\xEF\xBB\xBFLUT_3D_SIZE 2\n" + Rows(8), 2},
        {"lower-case keyword", "lut_3d_size 2\n" + Rows(8), 2},
        {"CR line ends", "LUT_3D_SIZE 2\r" + Rows(8, "\r"), 2},
        {"CR LF line ends, last line unended", "LUT_3D_SIZE 2\r\n" + Rows(7, "\r\n") + "0.7 0.7 0.7", 2},
        {"comments, title and domain", "# made by hand\nTITLE \"x y\"\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n"
                                       "LUT_3D_SIZE 2\n" + Rows(8), 2},
        {"title between data lines", "LUT_3D_SIZE 2\n" + Rows(4) + "TITLE \"mid\"\n" + Rows(4), 2},
        {"hexadecimal size", "LUT_3D_SIZE $2\n" + Rows(8), 2},
        {"0x size", "LUT_3D_SIZE 0x2\n" + Rows(8), 2},
        {"a ninth data line is ignored", "LUT_3D_SIZE 2\n" + Rows(9), 2},
        {"seven data lines", "LUT_3D_SIZE 2\n" + Rows(7), 0},
        {"size after the data", Rows(8) + "LUT_3D_SIZE 2\n", 0},
        {"one-dimensional table after a complete 3D one", "LUT_3D_SIZE 2\n" + Rows(8) + "LUT_1D_SIZE 2\n", 0},
        {"tab after the keyword", "LUT_3D_SIZE\t2\n" + Rows(8), 0},
        {"text after the size", "LUT_3D_SIZE 2 # two\n" + Rows(8), 0},
        {"size zero", "LUT_3D_SIZE 0\n", 0},
        {"absurd size", "LUT_3D_SIZE 100000\n" + Rows(8), 0},
        {"just above the largest size", "LUT_3D_SIZE 257\n" + Rows(8), 0},
        {"a smaller size line replaces an absurd one", "LUT_3D_SIZE 2000000000\nLUT_3D_SIZE 2\n" + Rows(8), 2},
        {"negative size", "LUT_3D_SIZE -2\n" + Rows(8), 0},
        {"empty text", "", 0},
    };
    for (const Case& c : cases) {
        const TCubeLUT lut = Parse(c.text);
        EXPECT_EQ(lut.Size, c.size) << c.what;
        EXPECT_EQ(lut.Table.size(), size_t(c.size * c.size * c.size)) << c.what;
    }
}

TEST(CubeLUT, EntriesInFileOrderAndFieldsSplitAtBlanks)
{
    const TCubeLUT lut = Parse("LUT_3D_SIZE 2\n0.5\t0.25   1 ignored\n" + Rows(4) + "TITLE x\n" + Rows(3));
    ASSERT_EQ(lut.Size, 2);
    EXPECT_FLOAT_EQ(lut.Table[0].R, 0.5f);
    EXPECT_FLOAT_EQ(lut.Table[0].G, 0.25f);
    EXPECT_FLOAT_EQ(lut.Table[0].B, 1.0f);
    EXPECT_FLOAT_EQ(lut.Table[3].R, 0.2f); // the title took no entry
    EXPECT_FLOAT_EQ(lut.Table[5].R, 0.0f);
    EXPECT_FLOAT_EQ(lut.Table[7].R, 0.2f);
}

TEST(CubeLUT, LaterSizeLinesKeepTheRowCount)
{
    // 27 rows, a smaller size that cuts the table to 8 entries, then a larger
    // one: the next 37 rows are entries 27..63, the gap between stays zero.
    auto same = [](int count, const char* v) {
        std::string s;
        for (int k = 0; k < count; ++k)
            s += std::string(v) + " " + v + " " + v + "\n";
        return s;
    };
    const TCubeLUT lut = Parse("LUT_3D_SIZE 3\n" + same(27, "0.1") + "LUT_3D_SIZE 2\nLUT_3D_SIZE 4\n" + same(37, "0.9"));
    ASSERT_EQ(lut.Size, 4);
    ASSERT_EQ(lut.Table.size(), 64u);
    for (int k = 0; k < 64; ++k) {
        const float expected = k < 8 ? 0.1f : (k < 27 ? 0.0f : 0.9f);
        EXPECT_FLOAT_EQ(lut.Table[size_t(k)].G, expected) << k;
    }
}

TEST(CubeLUT, UnreadableFieldsTakeTheirDefaults)
{
    const TCubeLUT lut = Parse("DOMAIN_MIN 0.1 0.2\nDOMAIN_MAX 1 0.5 word\nLUT_3D_SIZE 2\n0,5 1e-1 -2E+0\n" + Rows(7));
    ASSERT_EQ(lut.Size, 2);
    EXPECT_EQ(lut.DomainMin.R, 0.0f); // two values: the line is ignored
    EXPECT_EQ(lut.DomainMin.G, 0.0f);
    EXPECT_EQ(lut.DomainMax.G, 0.5f);
    EXPECT_EQ(lut.DomainMax.B, 1.0f); // a word reads as the maximum's default
    EXPECT_EQ(lut.Table[0].R, 0.0f);  // a decimal comma is not a number
    EXPECT_FLOAT_EQ(lut.Table[0].G, 0.1f);
    EXPECT_FLOAT_EQ(lut.Table[0].B, -2.0f); // kept; clamped only when a colour is made
}

TEST(CubeLUT, NumberReaders)
{
    struct FloatCase {
        const char* text;
        bool ok;
        float value;
    };
    for (const FloatCase& c : {FloatCase{"1e-3", true, 0.001f}, FloatCase{".5", true, 0.5f}, FloatCase{"-2.", true, -2.0f},
                               FloatCase{"+1", true, 1.0f}, FloatCase{"0,5", false, 0}, FloatCase{"inf", false, 0},
                               FloatCase{"nan", false, 0}, FloatCase{"1e400", false, 0}, FloatCase{"1e-400", true, 0},
                               FloatCase{"1e", false, 0}, FloatCase{"", false, 0}, FloatCase{".", false, 0}}) {
        float v = -99;
        EXPECT_EQ(ParseCubeFloat(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_FLOAT_EQ(v, c.value) << c.text;
        }
    }
    struct IntCase {
        const char* text;
        bool ok;
        int value;
    };
    for (const IntCase& c : {IntCase{"33", true, 33}, IntCase{"$1F", true, 31}, IntCase{"0x10", true, 16},
                             IntCase{"-5", true, -5}, IntCase{"12a", false, 0}, IntCase{"99999999999", false, 0},
                             IntCase{"$", false, 0}, IntCase{"2.0", false, 0}}) {
        int v = -99;
        EXPECT_EQ(ParseCubeInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(CubeLUT, UnreadableFileRaises)
{
    EXPECT_THROW(LoadCubeFromFile(QStringLiteral("/nonexistent/folder/look.cube")), Exception);
}

// entry (r, g, b) = f(r, g, b) / (n - 1) for lattice indices r, g, b.
template <typename F>
TCubeLUT MakeLUT(int n, F f)
{
    TCubeLUT lut;
    lut.Size = n;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                lut.Table.push_back(f(float(r) / float(n - 1), float(g) / float(n - 1), float(b) / float(n - 1)));
    return lut;
}

TLUTRGBf Identity(float r, float g, float b) { return {r, g, b}; }

TEST(LUTMapping, IdentityTableReturnsTheInput)
{
    for (int n : {2, 17, 33}) {
        const TCubeLUT lut = MakeLUT(n, Identity);
        const TLUTMapper mapper(lut, 1.0f);
        const ISkImage chart = test::ColourChart();
        SkPixmap pm;
        chart->peekPixels(pm);
        for (int x = 0; x < pm.width; ++x)
            EXPECT_EQ(mapper.MapPixel(pm.at(x, 0)), pm.at(x, 0)) << "n " << n << " x " << x;
        for (int v = 0; v < 256; ++v)
            EXPECT_EQ(mapper.MapPixel(MakeColor(255, uint8_t(v), uint8_t(255 - v), uint8_t(v / 2))),
                      MakeColor(255, uint8_t(v), uint8_t(255 - v), uint8_t(v / 2)));
    }
}

TEST(LUTMapping, TetrahedraReproduceAnAffineTable)
{
    // Any affine map is reproduced exactly inside each of the six tetrahedra.
    auto affine = [](float r, float g, float b) {
        return TLUTRGBf{0.2f + 0.5f * r - 0.1f * g + 0.3f * b, 0.7f * g + 0.1f * b, 0.9f - 0.4f * r + 0.2f * g};
    };
    const TCubeLUT lut = MakeLUT(3, affine);
    const TLUTMapper mapper(lut, 1.0f);
    const float points[][3] = {{0.3f, 0.2f, 0.1f}, {0.3f, 0.1f, 0.2f}, {0.2f, 0.1f, 0.3f}, {0.1f, 0.2f, 0.3f},
                               {0.1f, 0.3f, 0.2f}, {0.2f, 0.3f, 0.1f}, {0.5f, 0.5f, 0.5f}, {1.7f, 0.4f, 1.9f}};
    for (const auto& p : points) {
        const TLUTRGBf out = mapper.Interpolate(p[0], p[1], p[2]);
        const TLUTRGBf want = affine(p[0] / 2, p[1] / 2, p[2] / 2);
        EXPECT_NEAR(out.R, want.R, 1e-6) << p[0] << " " << p[1] << " " << p[2];
        EXPECT_NEAR(out.G, want.G, 1e-6);
        EXPECT_NEAR(out.B, want.B, 1e-6);
    }
}

TEST(LUTMapping, IntensityMixesWithTheStraightColour)
{
    const TCubeLUT invert = MakeLUT(2, [](float r, float g, float b) { return TLUTRGBf{1 - r, 1 - g, 1 - b}; });
    const uint32_t opaque = 0xFF204060u, translucent = 0x80102030u; // alpha 128: straight (31, 63, 95)
    EXPECT_EQ(TLUTMapper(invert, 0.0f).MapPixel(opaque), opaque);
    EXPECT_EQ(TLUTMapper(invert, -3.0f).MapPixel(opaque), opaque);
    EXPECT_EQ(TLUTMapper(invert, 1.0f).MapPixel(opaque), 0xFFDFBF9Fu);
    EXPECT_EQ(TLUTMapper(invert, 7.0f).MapPixel(opaque), 0xFFDFBF9Fu);
    EXPECT_EQ(TLUTMapper(invert, 0.5f).MapPixel(opaque), 0xFF808080u); // 32 + 191 / 2 = 127.5 -> 128
    // Graded on the straight colour (224, 192, 160), premultiplied by truncation.
    EXPECT_EQ(TLUTMapper(invert, 1.0f).MapPixel(translucent), 0x80706050u);
    EXPECT_EQ(TLUTMapper(invert, 0.0f).MapPixel(translucent), 0x800F1F2Fu); // un/premultiply rounding only
    EXPECT_EQ(TLUTMapper(invert, 1.0f).MapPixel(0x00000000u), 0x00000000u);
}

TEST(LUTMapping, DomainMapsOntoTheLatticeAndAnEmptyDomainUsesOne)
{
    TCubeLUT lut = MakeLUT(2, Identity);
    lut.DomainMin = {0.0f, 0.5f, 0.0f};
    lut.DomainMax = {0.0f, 1.0f, 1.0f}; // red: empty range, inverse 1; green: 0.5..1
    const uint32_t out = TLUTMapper(lut, 1.0f).MapPixel(0xFF40C080u);
    EXPECT_EQ(ColorR(out), 0x40);
    EXPECT_EQ(ColorG(out), Round((192 / 255.0 - 0.5) * 2 * 255)); // 129
    EXPECT_EQ(ColorB(out), 0x80);
    EXPECT_EQ(ColorG(TLUTMapper(lut, 1.0f).MapPixel(0xFF402080u)), 0); // below the domain: clamped
}

} // namespace
} // namespace pv
