#include "scripts/ScriptFormatters.h"

#include "scripts/ScriptParser.h"

#include "platform/system/NumberText.h"

#include <gtest/gtest.h>

#include <functional>

namespace pv {
namespace {

TEST(ScriptFormatters, LinesAsTheEditorInsertsThem)
{
    SetDecimalSeparator('.');
    EXPECT_EQ(FormatEffectLine(300, 30, 40, 40, 100, 20), u"EFFECT 300 30 40 40 100 20");
    EXPECT_EQ(FormatBlendLine("myslot", 100, "multiply"), u"BLEND myslot 100 multiply");
    EXPECT_EQ(FormatBlendLine("myslot", 100, ""), u"BLEND myslot 100");
    EXPECT_EQ(FormatTextureLine(2, 50, 1), u"TEXTURE #2 50 1");
    EXPECT_EQ(FormatTextureLine(-1, 50, 1.25f), u"TEXTURE 50 1.25");
    EXPECT_EQ(FormatTextureLine(2, -1, 1), u"TEXTURE");
    EXPECT_EQ(FormatTextureLine(2, 50, -0.5f), u"TEXTURE");
    EXPECT_EQ(FormatFrameLine(3, 20, "#FFFFFFFF"), u"FRAME #3 20 #FFFFFFFF");
    EXPECT_EQ(FormatFrameLine(-1, -1, "#FFFFFFFF"), u"FRAME");
    EXPECT_EQ(FormatBrushFrameLine(20, "#FFFFFFFF", 40), u"FRAME brushstrokes 20 #FFFFFFFF");
    EXPECT_EQ(FormatBrushFrameLine(20, "", 80), u"FRAME brushstrokes 20 brush=80");
    EXPECT_EQ(FormatTextLine("50%", "90%", "Hi there"), u"TEXT 50% 90% \"Hi there\"");
    EXPECT_EQ(FormatWatermarkLine("99%", "1%", "C:/logo.png", 70), u"WATERMARK 99% 1% \"C:/logo.png\" alpha=70%");
    EXPECT_EQ(FormatFontLine("Arial", 48, "bold", "#FFFFFFFF"), u"FONT Arial 48 bold #FFFFFFFF");
    EXPECT_EQ(FormatFontLine("Times New Roman", 24.5f, "", ""), u"FONT \"Times New Roman\" 24.5");
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatFontLine("Times New Roman", 24.5f, "", ""), u"FONT \"Times New Roman\" 24,5");
    SetDecimalSeparator(QChar());
}

struct RoundTrip {
    QString line;
    std::function<void(const TScriptCommand&)> check;
};

// Every formatted line parses back to the values it was made from, under the
// regional separator it was written with.
TEST(ScriptFormatters, EveryLineParsesBackToItsValues)
{
    for (const QChar sep : {QChar('.'), QChar(',')}) {
        SetDecimalSeparator(sep);
        const std::vector<RoundTrip> cases = {
            {FormatEffectLine(201, -3, 0, 255, 7, 100),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.EffectNumber, 201);
                 EXPECT_EQ(c.P1, -3);
                 EXPECT_EQ(c.P3, 255);
                 EXPECT_EQ(c.P5, 100);
             }},
            {FormatBlendLine("Ink", 35, "softlight"),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.BlendSlot, u"ink");
                 EXPECT_FLOAT_EQ(c.BlendOpacity, 0.35f);
                 EXPECT_EQ(c.BlendMode, SkBlendMode::kSoftLight);
             }},
            {FormatTextureLine(4, 65, 0.75f),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.TextureIndex, 4);
                 EXPECT_EQ(c.TextureStrength, 65);
                 EXPECT_FLOAT_EQ(c.TextureScale, 0.75f);
             }},
            {FormatTextureLine(-1, 50, 1.25f),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.TextureIndex, -1);
                 EXPECT_FLOAT_EQ(c.TextureScale, 1.25f);
             }},
            {FormatFrameLine(0, 12, "$80FFEEDD"),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.FrameIndex, 0);
                 EXPECT_EQ(c.FrameSize, 12);
                 EXPECT_EQ(c.FrameColor, 0x80FFEEDDu);
             }},
            {FormatFrameLine(-1, 30, ""),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.FrameIndex, -1);
                 EXPECT_EQ(c.FrameSize, 30);
             }},
            {FormatBrushFrameLine(25, "#FF112233", 120),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.FrameStyle, u"brushstrokes");
                 EXPECT_EQ(c.FrameSize, 25);
                 EXPECT_EQ(c.FrameColor, 0xFF112233u);
                 EXPECT_EQ(c.FrameBrushSize, 120);
             }},
            {FormatTextLine(FormatDecimal(12.5, 1) + u'%', "40", "It's a 'test' #1"),
             [](const TScriptCommand& c) {
                 EXPECT_FLOAT_EQ(c.TextX, 12.5f);
                 EXPECT_TRUE(c.TextXPercent);
                 EXPECT_FLOAT_EQ(c.TextY, 40.0f);
                 EXPECT_EQ(c.TextString, u"It's a 'test' #1");
             }},
            {FormatWatermarkLine("99%", "99%", "/tmp/my logo.png", 60),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.WmPath, u"/tmp/my logo.png");
                 EXPECT_FLOAT_EQ(c.WmAlpha, 60.0f);
                 EXPECT_TRUE(c.TextYPercent);
             }},
            {FormatFontLine("Courier New", 18.5f, "italic", "#FF00FF00"),
             [](const TScriptCommand& c) {
                 EXPECT_EQ(c.FontName, u"Courier New");
                 EXPECT_FLOAT_EQ(c.FontSize, 18.5f);
                 EXPECT_EQ(c.FontStyleStr, u"italic");
                 EXPECT_EQ(c.FontColor, 0xFF00FF00u);
             }},
        };
        for (const RoundTrip& r : cases) {
            SCOPED_TRACE(r.line.toStdString());
            std::vector<TScriptCommand> commands;
            QStringList errors;
            EXPECT_TRUE(ParseScript({r.line}, commands, errors)) << errors.join(u'|').toStdString();
            ASSERT_EQ(commands.size(), 1u);
            r.check(commands[0]);
        }
    }
    SetDecimalSeparator(QChar());
}

} // namespace
} // namespace pv
