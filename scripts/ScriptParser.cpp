#include "scripts/ScriptParser.h"

#include "platform/system/NumberText.h"

#include <QStringBuilder>

#include <algorithm>
#include <limits>

namespace pv {
namespace {

using Kind = TScriptCommandKind;

int IntOr(const QString& token, int fallback)
{
    int value = 0;
    return TryStrToInt(token, value) ? value : fallback;
}

float DecimalOr(const QString& token, float fallback)
{
    float value = 0;
    return TryStrToFloat(token, value) ? value : fallback;
}

bool StartsWithAscii(const QString& text, const char* upperPrefix)
{
    const QString prefix = QString::fromLatin1(upperPrefix);
    return text.size() >= prefix.size() && AsciiUpperCase(text.left(prefix.size())) == prefix;
}

// TEXTURE and FRAME: "#N" as the first argument picks a built-in item, except
// that "#FF..." is always a colour. Returns the index (or -1) and where the
// remaining arguments start.
int ReadIndexArgument(const QStringList& t, qsizetype& next)
{
    next = 1;
    if (t.size() < 2)
        return -1;
    const QString& a = t[1];
    if (a.size() <= 1 || a[0] != QChar('#') || StartsWithAscii(a, "#FF"))
        return -1;
    next = 2;
    return IntOr(a.mid(1), -1);
}

// Parses one non-empty line into cmd. Returns false when the line is dropped.
// Messages go to errors already prefixed with the line number.
class LineParser {
public:
    LineParser(const QStringList& tokens, TScriptCommand& cmd, QStringList& errors)
        : t_(tokens), n_(tokens.size()), cmd_(cmd), errors_(errors)
    {
    }

    bool Parse()
    {
        const QString kw = AsciiUpperCase(t_[0]);
        if (kw == u"EFFECT")
            return Effect();
        if (kw == u"SAVE" || kw == u"LOAD")
            return Slot(kw == u"SAVE" ? Kind::sckSave : Kind::sckLoad, kw);
        if (kw == u"SWAP")
            return Plain(Kind::sckSwap);
        if (kw == u"RESET")
            return Plain(Kind::sckReset);
        if (kw == u"ENHANCE")
            return Plain(Kind::sckEnhance);
        if (kw == u"CLEAR" || kw == u"NOCLEAR") {
            cmd_.Kind = Kind::sckClear;
            cmd_.P1 = kw == u"CLEAR" ? 1 : 0;
            return true;
        }
        if (kw == u"BLEND")
            return Blend();
        if (kw == u"TEXTURE")
            return Texture();
        if (kw == u"FRAME")
            return n_ > 1 && AsciiUpperCase(t_[1]) == u"BRUSHSTROKES" ? BrushFrame() : PictureFrame();
        if (kw == u"TEXT")
            return Text();
        if (kw == u"WATERMARK")
            return Watermark();
        if (kw == u"FONT")
            return Font();
        if (kw == u"RESIZE")
            return Resize();
        if (kw == u"CONTOUR")
            return Contour();
        if (kw == u"LUT_FILE")
            return LutFile();
        if (kw == u"LUT_EMBEDDED")
            return LutEmbedded();
        return Fail(QStringLiteral("Unknown command \"") + t_[0] + u'"');
    }

private:
    void Error(const QString& text)
    {
        errors_.append(QStringLiteral("Line ") % QString::number(cmd_.LineNumber) % QStringLiteral(": ") % text);
    }
    bool Fail(const QString& text)
    {
        Error(text);
        return false;
    }
    bool Plain(Kind kind)
    {
        cmd_.Kind = kind;
        return true;
    }

    bool Effect()
    {
        cmd_.Kind = Kind::sckEffect;
        if (n_ < 7)
            return Fail(QStringLiteral("EFFECT requires 6 arguments (id P1 P2 P3 P4 P5)"));
        cmd_.EffectNumber = EffectIdFromName(t_[1]);
        if (cmd_.EffectNumber < 0)
            return Fail(QStringLiteral("Unknown effect \"") + t_[1] + u'"');
        cmd_.P1 = IntOr(t_[2], 0);
        cmd_.P2 = IntOr(t_[3], 0);
        cmd_.P3 = IntOr(t_[4], 0);
        cmd_.P4 = IntOr(t_[5], 0);
        cmd_.P5 = IntOr(t_[6], 0);
        return true;
    }

    bool Slot(Kind kind, const QString& keyword)
    {
        cmd_.Kind = kind;
        if (n_ < 2)
            return Fail(keyword + QStringLiteral(" requires a slot name"));
        cmd_.SlotName = AsciiLowerCase(t_[1]);
        return true;
    }

    bool Blend()
    {
        cmd_.Kind = Kind::sckBlend;
        if (n_ < 3)
            return Fail(QStringLiteral("BLEND requires at least slot and opacity"));
        cmd_.BlendSlot = AsciiLowerCase(t_[1]);
        cmd_.BlendOpacity = std::clamp(DecimalOr(t_[2], 50.0f) / 100.0f, 0.0f, 1.0f);
        cmd_.BlendMode = n_ > 3 ? ParseBlendMode(t_[3]) : SkBlendMode::kSrcOver;
        return true;
    }

    bool Texture()
    {
        cmd_.Kind = Kind::sckTexture;
        qsizetype next = 1;
        cmd_.TextureIndex = ReadIndexArgument(t_, next);
        if (n_ - next >= 2) {
            cmd_.TextureStrength = IntOr(t_[next], -1);
            cmd_.TextureScale = DecimalOr(t_[next + 1], -1.0f);
        }
        return true;
    }

    bool PictureFrame()
    {
        cmd_.Kind = Kind::sckFrame;
        qsizetype next = 1;
        cmd_.FrameIndex = ReadIndexArgument(t_, next);
        if (next < n_)
            cmd_.FrameSize = IntOr(t_[next], -1);
        if (next + 1 < n_ && !ParseHexColor(t_[next + 1], cmd_.FrameColor))
            Error(QStringLiteral("Invalid hex color \"") + t_[next + 1] + u'"');
        return true;
    }

    bool ReadBrushOption(const QString& token)
    {
        if (!StartsWithAscii(token, "BRUSH="))
            return false;
        cmd_.FrameBrushSize = IntOr(token.mid(6), 40);
        return true;
    }

    bool BrushFrame()
    {
        cmd_.Kind = Kind::sckFrame;
        cmd_.FrameStyle = QStringLiteral("brushstrokes");
        if (n_ > 2)
            cmd_.FrameSize = IntOr(t_[2], 60);
        if (n_ > 3 && !ReadBrushOption(t_[3]) && !ParseHexColor(t_[3], cmd_.FrameColor))
            Error(QStringLiteral("Invalid color or option \"") + t_[3] + u'"');
        if (n_ > 4 && !ReadBrushOption(t_[4]))
            Error(QStringLiteral("Unknown option \"") + t_[4] + u'"');
        return true;
    }

    void Position()
    {
        ParseNumberOrPercent(t_[1], cmd_.TextX, cmd_.TextXPercent);
        ParseNumberOrPercent(t_[2], cmd_.TextY, cmd_.TextYPercent);
    }

    bool Text()
    {
        cmd_.Kind = Kind::sckText;
        if (n_ < 4)
            return Fail(QStringLiteral("TEXT requires at least x, y, and a string"));
        Position();
        cmd_.TextString = t_[3];
        for (qsizetype i = 4; i < n_; ++i) {
            QString key, value;
            SplitOption(t_[i], key, value);
            if (key == u"SIZE") {
                cmd_.TextSizeOverride = DecimalOr(value, 0.0f);
            } else if (key == u"COLOR") {
                ParseHexColor(value, cmd_.TextColorOverride);
            } else if (key == u"FONT") {
                cmd_.TextFontOverride = value;
            } else if (key == u"STYLE") {
                cmd_.TextStyleOverride = value;
            } else if (key == u"SHADOW") {
                cmd_.TextShadowOverride = AsciiUpperCase(value) == u"ON" ? 1 : 0;
            }
        }
        return true;
    }

    bool Watermark()
    {
        cmd_.Kind = Kind::sckWatermark;
        if (n_ < 4)
            return Fail(QStringLiteral("WATERMARK requires x, y, and an image file"));
        Position();
        cmd_.WmPath = t_[3];
        for (qsizetype i = 4; i < n_; ++i) {
            QString key, value;
            SplitOption(t_[i], key, value);
            if (key == u"WIDTH") {
                ParseNumberOrPercent(value, cmd_.WmWidth, cmd_.WmWidthPercent);
            } else if (key == u"ALPHA") {
                float alpha = 0;
                bool percent = false;
                ParseNumberOrPercent(value, alpha, percent);
                cmd_.WmAlpha = std::clamp(alpha, 0.0f, 100.0f);
            }
        }
        return true;
    }

    bool Font()
    {
        cmd_.Kind = Kind::sckFont;
        if (n_ < 3)
            return Fail(QStringLiteral("FONT requires at least name and size"));
        cmd_.FontName = t_[1];
        cmd_.FontSize = DecimalOr(t_[2], 24.0f);
        if (n_ > 3)
            cmd_.FontStyleStr = t_[3];
        if (n_ > 4 && !ParseHexColor(t_[4], cmd_.FontColor))
            Error(QStringLiteral("Invalid hex color \"") + t_[4] + u'"');
        return true;
    }

    bool Resize()
    {
        cmd_.Kind = Kind::sckResize;
        if (n_ < 3)
            return Fail(QStringLiteral("RESIZE requires width and height"));
        ParseNumberOrPercent(t_[1], cmd_.ResizeW, cmd_.ResizeWPercent);
        ParseNumberOrPercent(t_[2], cmd_.ResizeH, cmd_.ResizeHPercent);
        if (cmd_.ResizeW <= 0 || cmd_.ResizeH <= 0)
            return Fail(QStringLiteral("RESIZE dimensions must be positive"));
        return true;
    }

    bool Contour()
    {
        cmd_.Kind = Kind::sckContour;
        cmd_.ContourColor = kColorBlack;
        cmd_.P1 = n_ > 1 && AsciiUpperCase(t_[1]) == u"ON" ? 1 : 0;
        if (cmd_.P1 == 1 && n_ > 2)
            ParseHexColor(t_[2], cmd_.ContourColor);
        return true;
    }

    bool LutFile()
    {
        cmd_.Kind = Kind::sckLutFile;
        if (n_ < 2)
            return Fail(QStringLiteral("LUT_FILE requires a file path"));
        QString path = TrimControl(t_[1]);
        for (qsizetype i = 2; i < n_; ++i)
            path += u' ' + t_[i];
        if (path.size() > 1 && path.startsWith(u'"') && path.endsWith(u'"'))
            path = path.mid(1, path.size() - 2);
        cmd_.LutFilePath = path;
        return true;
    }

    bool LutEmbedded()
    {
        cmd_.Kind = Kind::sckLutEmbedded;
        cmd_.LutEmbeddedName = TrimControl(t_.mid(1).join(u' '));
        return true;
    }

    const QStringList& t_;
    const qsizetype n_;
    TScriptCommand& cmd_;
    QStringList& errors_;
};

} // namespace

QString TrimControl(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return begin == 0 && end == text.size() ? text : text.mid(begin, end - begin);
}

QString AsciiUpperCase(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= QChar('a') && c <= QChar('z'))
            c = QChar(char16_t(c.unicode() - 32));
    return out;
}

QString AsciiLowerCase(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= QChar('A') && c <= QChar('Z'))
            c = QChar(char16_t(c.unicode() + 32));
    return out;
}

QStringList TokenizeScriptLine(const QString& Line)
{
    QStringList tokens;
    tokens.reserve(8);
    const qsizetype n = Line.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && Line[i] == QChar(' '))
            ++i;
        if (i >= n)
            break;
        const QChar c = Line[i];
        if (c == QChar('"') || c == QChar('\'')) {
            const qsizetype close = Line.indexOf(c, i + 1);
            if (close < 0) {
                tokens.append(Line.mid(i + 1));
                break;
            }
            tokens.append(Line.mid(i + 1, close - i - 1));
            i = close + 1;
        } else {
            qsizetype j = i;
            while (j < n && Line[j] != QChar(' '))
                ++j;
            tokens.append(Line.mid(i, j - i));
            i = j;
        }
    }
    return tokens;
}

void ParseNumberOrPercent(const QString& Text, float& Value, bool& IsPercent)
{
    QString s = TrimControl(Text);
    IsPercent = s.endsWith(u'%');
    if (IsPercent)
        s.chop(1);
    Value = DecimalOr(s, 0.0f);
}

bool ParseHexColor(const QString& Text, TAlphaColor& Color)
{
    QString s = TrimControl(Text);
    if (s.startsWith(u'#') || s.startsWith(u'$'))
        s.remove(0, 1);
    if (s.size() == 6)
        s.prepend(QStringLiteral("FF"));
    if (s.size() != 8)
        return false;
    uint32_t value = 0;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        uint32_t d;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        else
            return false;
        value = (value << 4) | d;
    }
    Color = value;
    return true;
}

void SplitOption(const QString& Text, QString& Key, QString& Value)
{
    const qsizetype eq = Text.indexOf(u'=');
    if (eq < 0) {
        Key.clear();
        Value.clear();
        return;
    }
    Key = AsciiUpperCase(Text.left(eq));
    Value = Text.mid(eq + 1);
    if (Value.size() > 1 && (Value.front() == u'"' || Value.front() == u'\'') && Value.back() == Value.front())
        Value = Value.mid(1, Value.size() - 2);
}

SkBlendMode ParseBlendMode(const QString& Text)
{
    const QString w = AsciiUpperCase(TrimControl(Text));
    if (w == u"MULTIPLY")
        return SkBlendMode::kMultiply;
    if (w == u"SCREEN")
        return SkBlendMode::kScreen;
    if (w == u"OVERLAY")
        return SkBlendMode::kOverlay;
    if (w == u"DARKEN")
        return SkBlendMode::kDarken;
    if (w == u"LIGHTEN")
        return SkBlendMode::kLighten;
    if (w == u"SOFTLIGHT")
        return SkBlendMode::kSoftLight;
    if (w == u"HARDLIGHT")
        return SkBlendMode::kHardLight;
    if (w == u"DIFFERENCE")
        return SkBlendMode::kDifference;
    return SkBlendMode::kSrcOver;
}

SkFontStyle ParseFontStyle(const QString& Text)
{
    const QString w = AsciiUpperCase(TrimControl(Text));
    if (w == u"BOLD")
        return SkFontStyle::Bold();
    if (w == u"ITALIC")
        return SkFontStyle::Italic();
    if (w == u"BOLDITALIC")
        return SkFontStyle::BoldItalic();
    return SkFontStyle::Normal();
}

bool ParseScript(const QStringList& Lines, std::vector<TScriptCommand>& Commands, QStringList& Errors)
{
    Commands.clear();
    Errors.clear();
    // One allocation for the largest possible count: growing by copies would
    // move every command of a long script several times.
    Commands.reserve(size_t(Lines.size()));
    for (qsizetype i = 0; i < Lines.size(); ++i) {
        const QString line = TrimControl(Lines[i]);
        if (line.isEmpty() || line.front() == u'#')
            continue;
        const QStringList tokens = TokenizeScriptLine(line);
        if (tokens.isEmpty())
            continue;
        TScriptCommand cmd;
        cmd.LineNumber = int(std::min<qsizetype>(i + 1, std::numeric_limits<int>::max()));
        if (LineParser(tokens, cmd, Errors).Parse())
            Commands.push_back(std::move(cmd));
    }
    return Errors.isEmpty();
}

} // namespace pv
