#include "scripts/ScriptParser.h"

#include "platform/system/NumberText.h"

#include <gtest/gtest.h>

#include <functional>

namespace pv {
namespace {

using Kind = TScriptCommandKind;

// Runs a test with a regional decimal separator and restores the system's.
class SeparatorScope {
public:
    explicit SeparatorScope(QChar sep) { SetDecimalSeparator(sep); }
    ~SeparatorScope() { SetDecimalSeparator(QChar()); }
};

struct ParseCase {
    const char* line;
    const char* error; // the one message expected, or null
    bool kept;         // the line produces a command
    std::function<void(const TScriptCommand&)> check;
};

void RunCases(const std::vector<ParseCase>& cases)
{
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<TScriptCommand> commands;
        QStringList errors;
        const bool ok = ParseScript({QStringLiteral("# header"), QString::fromUtf8(c.line)}, commands, errors);
        if (c.error) {
            ASSERT_EQ(errors.size(), 1);
            EXPECT_EQ(errors[0].toStdString(), c.error);
        } else {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(errors.isEmpty()) << errors.join(u'|').toStdString();
        }
        ASSERT_EQ(commands.size(), c.kept ? 1u : 0u);
        if (c.kept) {
            EXPECT_EQ(commands[0].LineNumber, 2);
            if (c.check)
                c.check(commands[0]);
        }
    }
}

TEST(ScriptParser, LinesToCommandsOrMessages)
{
    SeparatorScope dot('.');
    RunCases({
        {"effect pencilsketch1 20 50 65 5 80", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.Kind, Kind::sckEffect);
             EXPECT_EQ(c.EffectNumber, 100);
             EXPECT_EQ(c.P1, 20);
             EXPECT_EQ(c.P5, 80);
         }},
        {"EFFECT \"Pencil Sketch 1\" 1 2 3 4 5", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.EffectNumber, 100); }},
        {"EFFECT 100 1 2 3 4 5 # note", nullptr, true, [](const TScriptCommand& c) { EXPECT_EQ(c.P5, 5); }},
        {"EFFECT 999 0 0 0 0 0", nullptr, true, [](const TScriptCommand& c) { EXPECT_EQ(c.EffectNumber, 999); }},
        {"EFFECT $C9 $1F 0x10 -3 +4 0", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.EffectNumber, 201);
             EXPECT_EQ(c.P1, 31);
             EXPECT_EQ(c.P2, 16);
             EXPECT_EQ(c.P3, -3);
             EXPECT_EQ(c.P4, 4);
         }},
        {"EFFECT 100 20 50.5 65 99999999999 80", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.P2, 0);
             EXPECT_EQ(c.P4, 0);
         }},
        {"EFFECT 100 1 2 3 4", "Line 2: EFFECT requires 6 arguments (id P1 P2 P3 P4 P5)", false, nullptr},
        {"EFFECT -5 0 0 0 0 0", "Line 2: Unknown effect \"-5\"", false, nullptr},
        {"EFFECT Foo 0 0 0 0 0", "Line 2: Unknown effect \"Foo\"", false, nullptr},
        {"EFFECT\t100 1 2 3 4 5", "Line 2: Unknown command \"EFFECT\t100\"", false, nullptr},
        {"\"\"", "Line 2: Unknown command \"\"", false, nullptr},
        {"SAVE Pencil1", nullptr, true, [](const TScriptCommand& c) { EXPECT_EQ(c.SlotName, u"pencil1"); }},
        {"LOAD", "Line 2: LOAD requires a slot name", false, nullptr},
        {"SAVE", "Line 2: SAVE requires a slot name", false, nullptr},
        {"swap now", nullptr, true, [](const TScriptCommand& c) { EXPECT_EQ(c.Kind, Kind::sckSwap); }},
        {"NOCLEAR", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.Kind, Kind::sckClear);
             EXPECT_EQ(c.P1, 0);
         }},
        {"BLEND Pencil1 150", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.BlendSlot, u"pencil1");
             EXPECT_FLOAT_EQ(c.BlendOpacity, 1.0f);
             EXPECT_EQ(c.BlendMode, SkBlendMode::kSrcOver);
         }},
        {"BLEND s -20", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.BlendOpacity, 0.0f); }},
        {"BLEND s x", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.BlendOpacity, 0.5f); }},
        {"BLEND s 1e9 %", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.BlendOpacity, 1.0f); }},
        {"BLEND s 50 EXCLUSION", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.BlendMode, SkBlendMode::kSrcOver); }},
        {"BLEND s 50 multiply", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.BlendMode, SkBlendMode::kMultiply); }},
        {"BLEND s", "Line 2: BLEND requires at least slot and opacity", false, nullptr},
        {"TEXTURE #2", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.TextureIndex, 2);
             EXPECT_EQ(c.TextureStrength, -1);
             EXPECT_FLOAT_EQ(c.TextureScale, -1.0f);
         }},
        {"TEXTURE 40", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.TextureIndex, -1);
             EXPECT_EQ(c.TextureStrength, -1);
         }},
        {"TEXTURE #1 50 1.5", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.TextureIndex, 1);
             EXPECT_EQ(c.TextureStrength, 50);
             EXPECT_FLOAT_EQ(c.TextureScale, 1.5f);
         }},
        {"FRAME #FFFFFF", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.FrameIndex, -1);
             EXPECT_EQ(c.FrameSize, -1);
         }},
        {"FRAME #3 20 #FFFFFFFF", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.FrameIndex, 3);
             EXPECT_EQ(c.FrameSize, 20);
             EXPECT_EQ(c.FrameColor, 0xFFFFFFFFu);
         }},
        {"FRAME #3 20 red", "Line 2: Invalid hex color \"red\"", true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.FrameColor, 0u); }},
        {"FRAME brushstrokes", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.FrameStyle, u"brushstrokes");
             EXPECT_EQ(c.FrameSize, -1);
         }},
        {"FRAME BrushStrokes x", nullptr, true, [](const TScriptCommand& c) { EXPECT_EQ(c.FrameSize, 60); }},
        {"FRAME brushstrokes 30 brush=80", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.FrameSize, 30);
             EXPECT_EQ(c.FrameBrushSize, 80);
             EXPECT_EQ(c.FrameColor, 0u);
         }},
        {"FRAME brushstrokes 30 #FF0000 BRUSH=x", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.FrameColor, 0xFFFF0000u);
             EXPECT_EQ(c.FrameBrushSize, 40);
         }},
        {"FRAME brushstrokes 30 big", "Line 2: Invalid color or option \"big\"", true, nullptr},
        {"FRAME brushstrokes 30 #FF0000 size=3", "Line 2: Unknown option \"size=3\"", true, nullptr},
        {"TEXT 10 20% \"Hello world\" SIZE=48 COLOR=#FF0000 SHADOW=on \"FONT=Times New Roman\" STYLE='bold' x=1", nullptr,
         true,
         [](const TScriptCommand& c) {
             EXPECT_FLOAT_EQ(c.TextX, 10.0f);
             EXPECT_FALSE(c.TextXPercent);
             EXPECT_FLOAT_EQ(c.TextY, 20.0f);
             EXPECT_TRUE(c.TextYPercent);
             EXPECT_EQ(c.TextString, u"Hello world");
             EXPECT_FLOAT_EQ(c.TextSizeOverride, 48.0f);
             EXPECT_EQ(c.TextColorOverride, 0xFFFF0000u);
             EXPECT_EQ(c.TextShadowOverride, 1);
             EXPECT_EQ(c.TextFontOverride, u"Times New Roman");
             EXPECT_EQ(c.TextStyleOverride, u"bold");
         }},
        {"TEXT 0 0 'say \"hi\"' SHADOW=off COLOR=nope", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.TextString, u"say \"hi\"");
             EXPECT_EQ(c.TextShadowOverride, 0);
             EXPECT_EQ(c.TextColorOverride, 0u);
         }},
        {"TEXT 0 0 \"unterminated text", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.TextString, u"unterminated text"); }},
        {"TEXT 10 10", "Line 2: TEXT requires at least x, y, and a string", false, nullptr},
        {"WATERMARK 99% 99% logo.png WIDTH=20% ALPHA=250%", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.WmPath, u"logo.png");
             EXPECT_FLOAT_EQ(c.WmWidth, 20.0f);
             EXPECT_TRUE(c.WmWidthPercent);
             EXPECT_FLOAT_EQ(c.WmAlpha, 100.0f);
         }},
        {"WATERMARK 1 2", "Line 2: WATERMARK requires x, y, and an image file", false, nullptr},
        {"FONT \"Courier New\" 36 BOLDITALIC $80FF0000", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.FontName, u"Courier New");
             EXPECT_FLOAT_EQ(c.FontSize, 36.0f);
             EXPECT_EQ(c.FontStyleStr, u"BOLDITALIC");
             EXPECT_EQ(c.FontColor, 0x80FF0000u);
         }},
        {"FONT Arial -5", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.FontSize, -5.0f); }},
        {"FONT Arial big", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.FontSize, 24.0f); }},
        {"FONT Arial 24 bold #F00", "Line 2: Invalid hex color \"#F00\"", true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.FontColor, 0u); }},
        {"FONT Arial", "Line 2: FONT requires at least name and size", false, nullptr},
        {"RESIZE 50% 50%", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_TRUE(c.ResizeWPercent && c.ResizeHPercent);
             EXPECT_FLOAT_EQ(c.ResizeW, 50.0f);
         }},
        {"RESIZE 100000% 1e3", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.ResizeH, 1000.0f); }},
        {"RESIZE 0 600", "Line 2: RESIZE dimensions must be positive", false, nullptr},
        {"RESIZE abc 600", "Line 2: RESIZE dimensions must be positive", false, nullptr},
        {"RESIZE 1e99 600", "Line 2: RESIZE dimensions must be positive", false, nullptr},
        {"RESIZE 800", "Line 2: RESIZE requires width and height", false, nullptr},
        {"CONTOUR", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.P1, 0);
             EXPECT_EQ(c.ContourColor, 0xFF000000u);
         }},
        {"CONTOUR OFF #FF0000FF", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.P1, 0);
             EXPECT_EQ(c.ContourColor, 0xFF000000u);
         }},
        {"CONTOUR on #FF0000FF", nullptr, true,
         [](const TScriptCommand& c) {
             EXPECT_EQ(c.P1, 1);
             EXPECT_EQ(c.ContourColor, 0xFF0000FFu);
         }},
        {"LUT_FILE C:\\My  LUTs\\film.cube", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.LutFilePath, u"C:\\My LUTs\\film.cube"); }},
        {"LUT_FILE '\"/tmp/a b.cube\"'", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.LutFilePath, u"/tmp/a b.cube"); }},
        {"LUT_FILE", "Line 2: LUT_FILE requires a file path", false, nullptr},
        {"LUT_EMBEDDED  Teal   Orange ", nullptr, true,
         [](const TScriptCommand& c) { EXPECT_EQ(c.LutEmbeddedName, u"Teal Orange"); }},
        {"UNKNOWN 1 2", "Line 2: Unknown command \"UNKNOWN\"", false, nullptr},
    });
}

TEST(ScriptParser, DecimalsFollowTheRegionalSeparator)
{
    SeparatorScope comma(',');
    RunCases({
        {"TEXTURE #1 50 1.5", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.TextureScale, -1.0f); }},
        {"TEXTURE #1 50 1,5", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.TextureScale, 1.5f); }},
        {"FONT Arial 24,5", nullptr, true, [](const TScriptCommand& c) { EXPECT_FLOAT_EQ(c.FontSize, 24.5f); }},
    });
}

TEST(ScriptParser, Tokens)
{
    const std::vector<std::pair<QString, QStringList>> cases = {
        {QStringLiteral("a  b   c"), {"a", "b", "c"}},
        {QStringLiteral("\"ab\"cd"), {"ab", "cd"}},
        {QStringLiteral("ab\"cd ef"), {"ab\"cd", "ef"}},
        {QStringLiteral("'x \"y\"' z"), {"x \"y\"", "z"}},
        {QStringLiteral("\"\" x"), {"", "x"}},
        {QStringLiteral("a\tb c"), {"a\tb", "c"}},
        {QStringLiteral("say \"open"), {"say", "open"}},
    };
    for (const auto& [line, tokens] : cases)
        EXPECT_EQ(TokenizeScriptLine(line), tokens) << line.toStdString();
}

TEST(ScriptParser, Colours)
{
    const std::vector<std::pair<const char*, int64_t>> cases = {
        {"#FF0000", 0xFFFF0000}, {"FF0000", 0xFFFF0000}, {"$80FF0000", 0x80FF0000}, {" #00ff00 ", 0xFF00FF00},
        {"#F00", -1},           {"0xFF0000", -1},      {"#GG0000", -1},          {"##FF0000", -1},
    };
    for (const auto& [text, expected] : cases) {
        TAlphaColor color = 0x12345678u;
        const bool ok = ParseHexColor(QString::fromLatin1(text), color);
        EXPECT_EQ(ok, expected >= 0) << text;
        EXPECT_EQ(color, ok ? TAlphaColor(expected) : 0x12345678u) << text;
    }
}

TEST(ScriptParser, EffectNames)
{
    EXPECT_EQ(ScriptEffectTable().size(), 25u);
    EXPECT_EQ(EffectIdFromName(QStringLiteral("blackandwhite")), 200);
    EXPECT_EQ(EffectIdFromName(QStringLiteral("  Gouache Painting ")), 308);
    EXPECT_EQ(EffectIdFromName(QStringLiteral("203")), 203);
    EXPECT_EQ(EffectIdFromName(QStringLiteral("Comic Print")), -1);
    EXPECT_EQ(EffectDisplayName(402), u"Vintage / Sepia");
    EXPECT_EQ(EffectDisplayName(203), u"Effect 203");
}

TEST(ScriptParser, CommentsBlankLinesAndLineNumbers)
{
    std::vector<TScriptCommand> commands;
    QStringList errors;
    EXPECT_TRUE(ParseScript({}, commands, errors));
    EXPECT_TRUE(ParseScript({QStringLiteral("  # indented remark"), QStringLiteral("\t \r"), QStringLiteral("#")},
                            commands, errors));
    EXPECT_TRUE(commands.empty());

    EXPECT_FALSE(ParseScript({QStringLiteral("SAVE a"), QStringLiteral("BOGUS"), QString(), QStringLiteral("LOAD"),
                              QStringLiteral("  swap  ")},
                             commands, errors));
    EXPECT_EQ(errors, QStringList({"Line 2: Unknown command \"BOGUS\"", "Line 4: LOAD requires a slot name"}));
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].LineNumber, 1);
    EXPECT_EQ(commands[1].LineNumber, 5);
}

// Binary garbage and a 10 MB script: every line is judged on its own, every
// error keeps its line number, nothing is cut short.
TEST(ScriptParser, GarbageAndHugeScripts)
{
    QString garbage;
    for (int i = 0; i < 4000; ++i)
        garbage += QChar(char16_t((i * 7919) % 0xD7FF + 1));
    std::vector<TScriptCommand> commands;
    QStringList errors;
    ParseScript({garbage, QStringLiteral("SWAP")}, commands, errors);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].LineNumber, 2);
    for (const QString& e : errors)
        EXPECT_TRUE(e.startsWith(u"Line 1: ")) << e.toStdString();

    // 10 MB in long lines: a text command, an unknown command, an effect.
    const QString text = QStringLiteral("TEXT 0 0 \"") + QString(3000, u'a');
    const QString bogus = QStringLiteral("BOGUS") + QString(3000, u'\x7f');
    QStringList lines;
    qsizetype bytes = 0;
    while (bytes < 10'000'000) {
        lines << text << bogus << QStringLiteral("EFFECT Stippling 128 0 0 0 0");
        bytes += text.size() + bogus.size() + 28;
    }
    ParseScript(lines, commands, errors);
    ASSERT_EQ(size_t(errors.size()), size_t(lines.size() / 3));
    ASSERT_EQ(commands.size(), size_t(lines.size() / 3 * 2));
    EXPECT_TRUE(errors.back().startsWith(QStringLiteral("Line ") + QString::number(lines.size() - 1) +
                                         QStringLiteral(": Unknown command \"BOGUS")));
    EXPECT_EQ(commands.back().LineNumber, lines.size());
    EXPECT_EQ(commands.back().EffectNumber, 201);
    EXPECT_EQ(commands[commands.size() - 2].TextString.size(), 3000);
}

} // namespace
} // namespace pv
