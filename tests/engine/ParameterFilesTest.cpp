#include "engine/ParameterFiles.h"

#include "platform/system/Errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pv {
namespace {

// The file the default table gives, written out by hand.
const char kDefaultFile[] = "\xEF\xBB\xBF"
    "# Pelandrovium Parameters File\r\n"
    "# Format: [Effect_Category_Index]\r\n"
    "FormatVersion=2\r\n"
    "\r\n"
    "[Effect_1_0]\r\n"
    "Value1=20\r\n"
    "Value2=50\r\n"
    "Value3=65\r\n"
    "Value4=5\r\n"
    "Value5=80\r\n"
    "\r\n"
    "[Effect_1_1]\r\n"
    "Value1=10\r\n"
    "Value2=40\r\n"
    "Value3=30\r\n"
    "Value4=0\r\n"
    "Value5=30\r\n"
    "\r\n"
    "[Effect_1_2]\r\n"
    "Value1=20\r\n"
    "Value2=80\r\n"
    "Value3=30\r\n"
    "Value4=25\r\n"
    "Value5=0\r\n"
    "\r\n"
    "[Effect_1_3]\r\n"
    "Value1=75\r\n"
    "Value2=50\r\n"
    "Value3=35\r\n"
    "Value4=25\r\n"
    "Value5=20\r\n"
    "\r\n"
    "[Effect_2_0]\r\n"
    "Value1=50\r\n"
    "Value2=50\r\n"
    "Value3=0\r\n"
    "\r\n"
    "[Effect_2_1]\r\n"
    "Value1=50\r\n"
    "\r\n"
    "[Effect_2_2]\r\n"
    "Value1=65\r\n"
    "Value2=70\r\n"
    "Value3=30\r\n"
    "Value4=5\r\n"
    "Value5=40\r\n"
    "\r\n"
    "[Effect_2_3]\r\n"
    "Value1=10\r\n"
    "Value2=0\r\n"
    "Value3=100\r\n"
    "Value4=50\r\n"
    "Value5=60\r\n"
    "\r\n"
    "[Effect_3_0]\r\n"
    "Value1=30\r\n"
    "Value2=40\r\n"
    "Value3=40\r\n"
    "Value4=100\r\n"
    "Value5=20\r\n"
    "\r\n"
    "[Effect_3_1]\r\n"
    "Value1=90\r\n"
    "Value2=20\r\n"
    "Value3=60\r\n"
    "Value4=20\r\n"
    "Value5=55\r\n"
    "\r\n"
    "[Effect_3_2]\r\n"
    "Value1=10\r\n"
    "Value2=70\r\n"
    "Value3=30\r\n"
    "Value4=30\r\n"
    "Value5=100\r\n"
    "\r\n"
    "[Effect_3_3]\r\n"
    "Value1=10\r\n"
    "Value2=70\r\n"
    "Value3=50\r\n"
    "Value4=50\r\n"
    "Value5=80\r\n"
    "\r\n"
    "[Effect_3_4]\r\n"
    "Value1=10\r\n"
    "Value2=50\r\n"
    "Value3=50\r\n"
    "Value4=50\r\n"
    "Value5=100\r\n"
    "\r\n"
    "[Effect_3_5]\r\n"
    "Value1=50\r\n"
    "Value2=30\r\n"
    "Value3=25\r\n"
    "Value4=60\r\n"
    "Value5=70\r\n"
    "\r\n"
    "[Effect_3_6]\r\n"
    "Value1=35\r\n"
    "Value2=0\r\n"
    "\r\n"
    "[Effect_3_7]\r\n"
    "Value1=10\r\n"
    "Value2=50\r\n"
    "Value3=20\r\n"
    "Value4=50\r\n"
    "Value5=90\r\n"
    "\r\n"
    "[Effect_3_8]\r\n"
    "Value1=70\r\n"
    "Value2=25\r\n"
    "Value3=25\r\n"
    "Value4=50\r\n"
    "Value5=30\r\n"
    "\r\n"
    "[Effect_4_0]\r\n"
    "Value1=40\r\n"
    "Value2=25\r\n"
    "Value3=50\r\n"
    "Value4=50\r\n"
    "Value5=40\r\n"
    "\r\n"
    "[Effect_4_1]\r\n"
    "Value1=52\r\n"
    "Value2=52\r\n"
    "Value3=55\r\n"
    "Value4=15\r\n"
    "Value5=52\r\n"
    "\r\n"
    "[Effect_4_2]\r\n"
    "Value1=0\r\n"
    "Value2=70\r\n"
    "Value3=50\r\n"
    "Value4=50\r\n"
    "Value5=25\r\n"
    "\r\n"
    "[Effect_4_3]\r\n"
    "Value1=30\r\n"
    "Value2=35\r\n"
    "Value3=60\r\n"
    "Value4=20\r\n"
    "Value5=25\r\n"
    "\r\n"
    "[Effect_4_4]\r\n"
    "Value1=100\r\n"
    "Value2=50\r\n"
    "Value3=50\r\n"
    "Value4=50\r\n"
    "Value5=50\r\n"
    "\r\n"
    "[Effect_5_0]\r\n"
    "Value1=20\r\n"
    "Value2=20\r\n"
    "Value3=80\r\n"
    "Value4=35\r\n"
    "Value5=25\r\n"
    "\r\n"
    "[Effect_5_1]\r\n"
    "Value1=30\r\n"
    "Value2=55\r\n"
    "Value3=85\r\n"
    "Value4=40\r\n"
    "Value5=20\r\n"
    "\r\n"
    "[Effect_5_2]\r\n"
    "Value1=20\r\n"
    "Value2=30\r\n"
    "Value3=80\r\n"
    "Value4=35\r\n"
    "Value5=25\r\n"
    "\r\n"
    "[Effect_5_3]\r\n"
    "Value1=10\r\n"
    "Value2=30\r\n"
    "Value3=50\r\n"
    "Value4=35\r\n"
    "Value5=25\r\n"
    "\r\n";

TParameterTable Defaults()
{
    TParameterTable t{};
    InitializeParameters(t);
    return t;
}

QByteArray Utf8(const char* text) { return QByteArray(text); }

// UTF-8 text as UTF-16 in either byte order, with or without the byte-order mark.
QByteArray Utf16(const QByteArray& utf8, bool mark, bool bigEndian)
{
    QString text = QString::fromUtf8(utf8);
    if (mark)
        text.prepend(QChar(0xFEFF));
    QByteArray bytes;
    for (const QChar ch : text) {
        const char hi = char(ch.unicode() >> 8), lo = char(ch.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo);
        bytes.append(bigEndian ? lo : hi);
    }
    return bytes;
}

TEST(ParameterFiles, DefaultTableIsWrittenByteForByte)
{
    const QByteArray written = WriteParameterText(Defaults());
    EXPECT_EQ(written, QByteArray(kDefaultFile));
    EXPECT_EQ(written.count("\r\n[Effect_"), 26);
    EXPECT_EQ(written.count("\r\n"), written.count("\n"));
}

TEST(ParameterFiles, RoundTripChangesNothing)
{
    TParameterTable changed = Defaults();
    changed[3][0].SetValue(1, 77);
    changed[2][0].SetValue(3, 0);
    const QByteArray text = WriteParameterText(changed);
    TParameterTable read = Defaults();
    ReadParameterText(text, read);
    EXPECT_EQ(read, changed);
    EXPECT_EQ(WriteParameterText(read), text);
}

TEST(ParameterFiles, ReaderRules)
{
    struct Case {
        const char* what;
        const char* text;
        int effect, k, expected;
    };
    const Case cases[] = {
        {"lower-case key, blanks, clamped", "[Effect_3_0]\r\n  value4 = 250 \r\n", 300, 4, 100},
        {"negative clamped to 0", "[Effect_3_0]\nValue1=-5\n", 300, 1, 0},
        {"lower-case prefix ignored", "[effect_3_0]\nValue1=9\n", 300, 1, 30},
        {"index 20 ignored with its keys", "[Effect_3_20]\nValue1=9\n[Effect_3_0]\n", 300, 1, 30},
        {"keys after a bad section ignored", "[Effect_3_0]\n[Effect_3]\nValue1=9\n", 300, 1, 30},
        {"not an integer ignored", "[Effect_3_0]\nValue1=12.5\n", 300, 1, 30},
        {"over-long number ignored", "[Effect_3_0]\nValue1=99999999999999999999\n", 300, 1, 30},
        {"later line wins", "[Effect_3_0]\nValue2=1\nValue2=2\n", 300, 2, 2},
        {"slot without a slider ignored", "[Effect_2_0]\nValue4=9\n", 200, 4, 0},
        {"version 0 is 1: needs the name", "FormatVersion=0\n[Effect_3_0]\nValue1=9\n", 300, 1, 30},
        {"version of letters is 1", "FormatVersion=x\n[Effect_3_0]\nName1=ITERATIONS\nValue1=9\n", 300, 1, 9},
        {"version 3 inside a section ignored", "[Effect_3_0]\nFormatVersion=3\nValue1=9\n", 300, 1, 30},
        {"version 1 wrong name", "FormatVersion=1\n[Effect_3_0]\nName1=size\nValue1=9\n", 300, 1, 30},
        {"comments and junk skipped", "# x\n=5\nnothing\n[Effect_3_0]\nValue5=1\n", 300, 5, 1},
        {"byte-order mark and CR line ends", "\xEF\xBB\xBF" "FormatVersion=2\r[Effect_3_0]\rValue3=3\r", 300, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TParameterTable t = Defaults();
        // Version 2 unless the case says otherwise.
        const QByteArray text = QByteArray(c.text).contains("FormatVersion") ? Utf8(c.text)
                                                                              : "FormatVersion=2\n" + Utf8(c.text);
        ReadParameterText(text, t);
        EXPECT_EQ(ParamsSlot(t, c.effect)->Value(c.k), c.expected);
        EXPECT_EQ(ParamsSlot(t, c.effect)->Name(1), ParamsSlot(Defaults(), c.effect)->Name(1));
    }
}

TEST(ParameterFiles, FilesSavedByOtherEditorsAreReadAsWritten)
{
    const char* const values = "FormatVersion=2\r\n[Effect_3_0]\r\nValue1=9\r\n[Effect_5_2]\r\nValue4=61\r\n";
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"a comment in Latin-1", "# R\xE9glages pour l'\xE9t\xE9\r\n" + Utf8(values)},
        {"a Latin-1 byte after a value", Utf8(values) + "[Effect_2_0]\r\nValue1=7\xB0\r\n"},
        {"UTF-16, little-endian", Utf16(values, true, false)},
        {"UTF-16, big-endian", Utf16(values, true, true)},
        {"UTF-16 with a comment in French", Utf16("# R\xC3\xA9glages\r\n" + QByteArray(values), true, false)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TParameterTable t = Defaults();
        ReadParameterText(c.bytes, t);
        TParameterTable expected = Defaults();
        ParamsSlot(expected, 300)->SetValue(1, 9);
        ParamsSlot(expected, 502)->SetValue(4, 61);
        EXPECT_EQ(t, expected) << "a value that is not an integer is skipped, the rest is read";
    }
}

TEST(ParameterFiles, RefusedFilesChangeNothing)
{
    struct Case {
        const char* what;
        QByteArray text;
        const char* message;
    };
    const Case cases[] = {
        {"newer version", "FormatVersion=3\n[Effect_3_0]\nValue1=9\n",
         "Unsupported parameter file version 3 (maximum supported: 2)."},
        {"binary", QByteArray("[Effect_3_0]\nValue1=9\n\0\x01", 24),
         "not a parameter file (it holds binary data, or text in UTF-16 without a byte-order mark)"},
        {"UTF-16 without a byte-order mark", Utf16("FormatVersion=2\r\n[Effect_3_0]\r\nValue1=9\r\n", false, false),
         "not a parameter file (it holds binary data, or text in UTF-16 without a byte-order mark)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TParameterTable t = Defaults();
        try {
            ReadParameterText(c.text, t);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(t, Defaults());
    }
}

TEST(ParameterFiles, FilesMissingOrTooLarge)
{
    QTemporaryDir dir;
    TParameterTable t = Defaults();
    EXPECT_FALSE(LoadParameterFile(dir.filePath(QStringLiteral("none.vlp")), t));
    const QString big = dir.filePath(QStringLiteral("big.vlp"));
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Effect_3_0]\nValue1=9\n");
    f.write(QByteArray(int(kMaxParameterFileBytes), '#'));
    f.close();
    EXPECT_THROW(
        {
            try {
                LoadParameterFile(big, t);
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), "file too large");
                throw;
            }
        },
        Exception);
    EXPECT_EQ(t, Defaults());
    const QString saved = dir.filePath(QStringLiteral("p.vlp"));
    SaveParameterFile(saved, t);
    QFile in(saved);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), QByteArray(kDefaultFile));
    EXPECT_TRUE(LoadParameterFile(saved, t));
    EXPECT_EQ(t, Defaults());
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/p.vlp"));
    try {
        SaveParameterFile(nowhere, t);
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const Exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(nowhere)) << e.what();
    }
}

} // namespace
} // namespace pv
