#include "scripts/ScriptFormatters.h"

#include "platform/system/NumberText.h"

namespace pv {
namespace {

QString Num(int value) { return QString::number(value); }

QString Quoted(const QString& text) { return u'"' + text + u'"'; }

} // namespace

QString FormatEffectLine(int EffectNumber, int P1, int P2, int P3, int P4, int P5)
{
    return QStringLiteral("EFFECT ") + Num(EffectNumber) + u' ' + Num(P1) + u' ' + Num(P2) + u' ' + Num(P3) + u' ' +
           Num(P4) + u' ' + Num(P5);
}

QString FormatBlendLine(const QString& Slot, int Opacity, const QString& Mode)
{
    QString line = QStringLiteral("BLEND ") + Slot + u' ' + Num(Opacity);
    if (!Mode.isEmpty())
        line += u' ' + Mode;
    return line;
}

QString FormatTextureLine(int Index, int Strength, float Scale)
{
    if (Strength < 0 || !(Scale >= 0))
        return QStringLiteral("TEXTURE");
    const QString values = Num(Strength) + u' ' + FormatDecimal(Scale, 2);
    if (Index < 0)
        return QStringLiteral("TEXTURE ") + values;
    return QStringLiteral("TEXTURE #") + Num(Index) + u' ' + values;
}

QString FormatFrameLine(int Index, int Margin, const QString& Color)
{
    QString line = QStringLiteral("FRAME");
    if (Index >= 0)
        line += QStringLiteral(" #") + Num(Index);
    if (Margin >= 0) {
        line += u' ' + Num(Margin);
        if (!Color.isEmpty())
            line += u' ' + Color;
    }
    return line;
}

QString FormatBrushFrameLine(int Width, const QString& Color, int BrushSize)
{
    QString line = QStringLiteral("FRAME brushstrokes ") + Num(Width);
    if (!Color.isEmpty())
        line += u' ' + Color;
    if (BrushSize != 40)
        line += QStringLiteral(" brush=") + Num(BrushSize);
    return line;
}

QString FormatTextLine(const QString& X, const QString& Y, const QString& Text)
{
    return QStringLiteral("TEXT ") + X + u' ' + Y + u' ' + Quoted(Text);
}

QString FormatWatermarkLine(const QString& X, const QString& Y, const QString& FileName, int Alpha)
{
    return QStringLiteral("WATERMARK ") + X + u' ' + Y + u' ' + Quoted(FileName) + QStringLiteral(" alpha=") +
           Num(Alpha) + u'%';
}

QString FormatFontLine(const QString& Name, float Size, const QString& Style, const QString& Color)
{
    QString line = QStringLiteral("FONT ") + (Name.contains(u' ') ? Quoted(Name) : Name) + u' ' + FormatDecimal(Size, 1);
    if (!Style.isEmpty())
        line += u' ' + Style;
    if (!Color.isEmpty())
        line += u' ' + Color;
    return line;
}

} // namespace pv
