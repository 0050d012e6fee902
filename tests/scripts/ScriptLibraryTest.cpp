#include "scripts/ScriptLibrary.h"

#include "TestZip.h"
#include "platform/system/Zip.h"
#include "scripts/ScriptParser.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pv {
namespace {

QStringList Commands(const QString& text)
{
    QStringList out;
    for (const QString& line : SplitScriptLines(text)) {
        const QString t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith(u'#'))
            out << line;
    }
    return out;
}

TEST(ScriptLibrary, SavesUtf8WithCrLfAfterEveryLine)
{
    EXPECT_EQ(EncodeScriptForSave({QStringLiteral("RESET"), QString(), QStringLiteral("TEXT 1 1 'é'")}),
              QByteArray("RESET\r\n\r\nTEXT 1 1 '\xC3\xA9'\r\n"));
    EXPECT_EQ(SplitScriptLines(QStringLiteral("a\r\nb\nc\rd\r\n")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
}

TEST(ScriptLibrary, EveryTextReadsBackAsItWasSaved)
{
    const QString cases[] = {
        QStringLiteral("RESET"),
        QString(QChar(0xFEFF)) + QStringLiteral("RESET"),
        QString(QChar(0xFEFF)) + QString(QChar(0xFEFF)) + QStringLiteral("x"),
        QStringLiteral("TEXT 1 1 'a") + QChar(0xD800) + QStringLiteral("b'"),
        QStringLiteral("# ") + QChar(0xDC00),
        QString(QChar(0xFEFF)) + QChar(0xDBFF),
        QStringLiteral("# \U0001F600 caf\u00E9"),
    };
    for (const QString& text : cases) {
        const QStringList lines = {text, QStringLiteral("SWAP")};
        EXPECT_EQ(SplitScriptLines(DecodeScriptBytes(EncodeScriptForSave(lines))), lines)
            << QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2).toHex().toStdString();
    }
}

TEST(ScriptLibrary, ErrorSummaryShowsFiveErrorsAndCountsTheRest)
{
    QStringList errors;
    for (int i = 1; i <= 6; ++i)
        errors << QStringLiteral("Line %1: Unknown command: X").arg(i);
    const QString message = ScriptErrorsMessage(errors);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Script errors:\n\nLine 1: ")));
    EXPECT_TRUE(message.contains(QStringLiteral("Line 5: ")));
    EXPECT_FALSE(message.contains(QStringLiteral("Line 6: ")));
    EXPECT_TRUE(message.endsWith(QStringLiteral("\n... and 1 more errors")));
    EXPECT_FALSE(ScriptErrorsMessage(errors.mid(0, 5)).contains(QStringLiteral("more errors")));
}

TEST(ScriptLibrary, InsertButtonLinesFollowTheCurrentSettings)
{
    TScriptInsertState s;
    EXPECT_EQ(InsertEffectLines(s), QStringList{QStringLiteral("EFFECT 100 50 50 50 50 50")});
    s.EffectNumber = 404;
    s.P[0] = 80;
    EXPECT_EQ(InsertEffectLines(s),
              (QStringList{QStringLiteral("LUT_FILE C:\\path\\to\\your.cube"), QStringLiteral("EFFECT 404 80 0 0 0 0")}));
    s.LutFilePath = QStringLiteral("/home/me/my look.cube");
    EXPECT_EQ(InsertEffectLines(s)[0], QStringLiteral("LUT_FILE \"/home/me/my look.cube\""));
    s.FrameSize = 20;
    EXPECT_EQ(InsertFrameLine(s), QStringLiteral("FRAME 20 #FFFFFFFF"));
    EXPECT_EQ(InsertBrushFrameLine(s), QStringLiteral("FRAME brushstrokes 20 #FFFFFFFF"));
    s.TextureNumber = 2;
    s.TextureStrength = 30;
    EXPECT_EQ(InsertTextureLine(s), QStringLiteral("TEXTURE #2 30 1"));
    EXPECT_EQ(InsertBlendLine(QStringLiteral("normal")), QStringLiteral("BLEND myslot 50"));
    EXPECT_EQ(InsertBlendLine(QStringLiteral("darken")), QStringLiteral("BLEND myslot 50 darken"));
    EXPECT_EQ(InsertedLineIndex(0, 3), 1);
    EXPECT_EQ(InsertedLineIndex(3, 3), 3);
}

TEST(ScriptLibrary, BuiltInArchiveHoldsTheFifteenExamplesReadyToRun)
{
    const QByteArray archive = EmbeddedScriptArchive();
    ASSERT_FALSE(archive.isEmpty());
    const ZipArchive zip = ZipArchive::FromData(archive, QStringLiteral("PELANDROVIUM_SCRIPTS"));
    const std::vector<TScriptEntry> scripts = LoadEmbeddedScripts();
    ASSERT_EQ(scripts.size(), 15u);
    EXPECT_EQ(scripts.front().Name, QStringLiteral("Circles with contours"));
    EXPECT_EQ(scripts.back().Name, QStringLiteral("Watercolor and Gouache"));
    for (int i = 0; i < zip.count(); ++i) {
        const QByteArray bytes = zip.read(i);
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << zip.entryNames()[i].toStdString();
        EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << "CR LF line breaks";
    }
    for (const TScriptEntry& e : scripts) {
        EXPECT_TRUE(e.BuiltIn);
        EXPECT_TRUE(e.Text.startsWith(u'#')) << e.Name.toStdString() << " starts with its banner";
        std::vector<TScriptCommand> commands;
        QStringList errors;
        EXPECT_TRUE(ParseScript(SplitScriptLines(e.Text), commands, errors)) << e.Name.toStdString();
    }
    const auto named = [&](const char* name) {
        for (const TScriptEntry& e : scripts)
            if (e.Name == QLatin1String(name))
                return e.Text;
        return QString();
    };
    EXPECT_EQ(Commands(named("Triple Watercolor")), Commands(StartupScriptLines().join(u'\n')));
    EXPECT_EQ(Commands(named("Photo Enhancer")),
              (QStringList{QStringLiteral("RESET"), QStringLiteral("ENHANCE"), QStringLiteral("EFFECT 401 55 52 52 12 52")}));
    EXPECT_TRUE(Commands(named("Paint on sketch")).contains(QStringLiteral("BLEND myslot 20 MULTIPLY ")));
}

TEST(ScriptLibrary, ImportsPlainFilesAndTheScriptsOfZips)
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("set.zip"));
    ASSERT_TRUE(test::WriteZip(zip, {{QStringLiteral("one.vls"), "RESET"},
                                     {QStringLiteral("sub/two_b.VLS"), "SWAP"},
                                     {QStringLiteral("notes.txt"), "not a script"},
                                     {QStringLiteral("three.vls"), "CLEAR", true}}));
    const QString plain = dir.filePath(QStringLiteral("my_script.txt"));
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# caf\xE9\r\nRESET\r\n");
    f.close();
    QFile broken(dir.filePath(QStringLiteral("broken.zip")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("PK\x03\x04 truncated");
    broken.close();

    const std::vector<TScriptEntry> found =
        ImportScriptFiles({zip, broken.fileName(), dir.filePath(QStringLiteral("missing.vls")), plain, zip});
    ASSERT_EQ(found.size(), 7u);
    EXPECT_EQ(found[0].Name, QStringLiteral("one"));
    EXPECT_EQ(found[1].Name, QStringLiteral("two b"));
    EXPECT_EQ(found[2].Text, QStringLiteral("CLEAR"));
    EXPECT_EQ(found[3].Name, QStringLiteral("my script"));
    EXPECT_EQ(found[3].Text, QStringLiteral("# café\r\nRESET\r\n"));
    EXPECT_FALSE(found[3].BuiltIn);
    EXPECT_EQ(found[6].Name, QStringLiteral("three"));
}

// A script file or entry far larger than any script is refused before it is
// read whole, and named; the scripts beside it still come in.
TEST(ScriptLibrary, ScriptsLargerThanAnyScriptNeedsAreRefusedAndNamed)
{
    QTemporaryDir dir;
    const QByteArray tooLong = QByteArray(kMaxScriptBytes + 1, '#');
    const QString zip = dir.filePath(QStringLiteral("set.zip"));
    ASSERT_TRUE(test::WriteZip(zip, {{QStringLiteral("long.vls"), tooLong, true}, {QStringLiteral("ok.vls"), "RESET"}}));
    const QString plain = dir.filePath(QStringLiteral("long_plain.vls"));
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(tooLong);
    f.close();
    QStringList refused;
    const std::vector<TScriptEntry> found = ImportScriptFiles({zip, plain}, &refused);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Name, QStringLiteral("ok"));
    EXPECT_EQ(refused, (QStringList{QStringLiteral("long.vls"), QStringLiteral("long_plain.vls")}));
}

} // namespace
} // namespace pv
