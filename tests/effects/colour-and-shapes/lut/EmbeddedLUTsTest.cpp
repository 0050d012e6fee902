#include "TestZip.h"

#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "platform/system/Errors.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

struct BuiltIn {
    const char* name;
    int size;
};
const BuiltIn kBuiltIns[] = {
    {"Architecture", 33},       {"Blues", 33},         {"Cinematic saturation", 32}, {"Cinematic", 33},
    {"Cyan skies", 33},         {"Film print", 33},    {"Film tone 1", 25},          {"Film tone 2", 25},
    {"Golden hour", 32},        {"HDR natural", 32},   {"HDR", 32},                  {"Kodachrome", 32},
    {"Monochrome artistic", 32}, {"Monochrome balanced", 32}, {"Monochrome vintage", 32}, {"Portrait", 32},
    {"Rich colors", 33},        {"Vibrant light", 32},
};

TEST(EmbeddedLUTs, EighteenValidLooksInArchiveOrder)
{
    QStringList expected;
    for (const BuiltIn& b : kBuiltIns)
        expected << QString::fromLatin1(b.name);
    EXPECT_EQ(EmbeddedLUTNames(), expected);

    for (const BuiltIn& b : kBuiltIns) {
        const auto lut = FindEmbeddedLUT(QString::fromLatin1(b.name));
        ASSERT_TRUE(lut) << b.name;
        const TCubeLUT table = LoadCubeFromBytes(lut->Data);
        EXPECT_EQ(table.Size, b.size) << b.name;
        // A real look: far from the identity somewhere on the lattice.
        const int n = table.Size;
        double change = 0;
        for (int i = 0; i < n * n * n; i += 7) {
            const int r = i % n, g = i / n % n, bl = i / (n * n);
            change = std::max({change, std::fabs(table.Table[size_t(i)].R - r / (n - 1.0)),
                               std::fabs(table.Table[size_t(i)].G - g / (n - 1.0)),
                               std::fabs(table.Table[size_t(i)].B - bl / (n - 1.0))});
        }
        EXPECT_GT(change, 0.04) << b.name;
    }
}

TEST(EmbeddedLUTs, MonochromeLooksAreGrey)
{
    for (const char* name : {"Monochrome artistic", "Monochrome balanced"}) {
        const TCubeLUT table = LoadCubeFromBytes(FindEmbeddedLUT(QString::fromLatin1(name))->Data);
        for (const TLUTRGBf& e : table.Table) {
            ASSERT_EQ(e.R, e.G) << name;
            ASSERT_EQ(e.G, e.B) << name;
        }
    }
}

TEST(EmbeddedLUTs, NamesAreFoundIgnoringCaseAndWholly)
{
    EXPECT_EQ(FirstEmbeddedLUT()->Name, QStringLiteral("Architecture"));
    const auto cinematic = FindEmbeddedLUT(QStringLiteral("cinematic"));
    ASSERT_TRUE(cinematic);
    EXPECT_EQ(cinematic->Name, QStringLiteral("Cinematic"));
    EXPECT_EQ(LoadCubeFromBytes(cinematic->Data).Size, 33); // not "Cinematic saturation" (32)
    EXPECT_FALSE(FindEmbeddedLUT(QStringLiteral("Sepia")));
    EXPECT_FALSE(FindEmbeddedLUT(QString()));
}

TEST(EmbeddedLUTs, EntryNames)
{
    struct Case {
        const char* entry;
        const char* name;
    };
    for (const Case& c : {Case{"Pelandrovium_LUTs/", ""}, Case{"Pelandrovium_LUTs/Film print.cube", "Film print"},
                          Case{"a/b/Warm.CUBE", "Warm"}, Case{"x\\y.cube", "y"}, Case{"notes.cube.txt", ""},
                          Case{"a.b.cube", "a.b"}, Case{"cube", ""}})
        EXPECT_EQ(LUTNameOfEntry(QString::fromLatin1(c.entry)), QString::fromLatin1(c.name)) << c.entry;
}

TEST(EmbeddedLUTs, OtherArchivesAndDamage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("luts.zip");
    ASSERT_TRUE(test::WriteZip(path, {{"readme.txt", "x"}, {"My LUTs/", ""}, {"My LUTs/Warm.cube", "warm", true},
                                      {"My LUTs/Cool.Cube", "cool"}}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray zip = file.readAll();
    EXPECT_EQ(LUTNamesInArchive(zip, "luts"), QStringList({"Warm", "Cool"}));
    EXPECT_EQ(FindLUTInArchive(zip, "luts", QString())->Data, QByteArray("warm"));
    EXPECT_EQ(FindLUTInArchive(zip, "luts", "COOL")->Name, QStringLiteral("Cool"));
    EXPECT_THROW(LUTNamesInArchive(zip.left(zip.size() / 2), "luts"), Exception);
    EXPECT_THROW(FindLUTInArchive(QByteArray("not a zip"), "luts", "Warm"), Exception);
}

} // namespace
} // namespace pv
