#pragma once
// The script language: a recipe of effects and finishing steps, one command
// per line, run on the current picture or on every file of a batch.
//
// This header holds what every part of the language shares: the parsed
// command and the names effects go by in scripts. The parser is in
// ScriptParser.h, the editor's line formatters in ScriptFormatters.h, the
// picture operations of the commands in ScriptImageOps.h and the interpreter
// in ScriptEngine.h.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkTypes.h"

#include <QString>

#include <span>

namespace pv {

enum class TScriptCommandKind {
    sckEffect, sckSave, sckLoad, sckSwap, sckReset, sckBlend, sckTexture, sckFrame, sckText, sckWatermark,
    sckFont, sckResize, sckClear, sckContour, sckLutFile, sckLutEmbedded, sckEnhance,
};

// One parsed script line. Fields a command does not use keep their defaults.
struct TScriptCommand {
    TScriptCommandKind Kind = TScriptCommandKind::sckEffect;
    int LineNumber = 0; // 1-based, comment and blank lines counted

    // EFFECT; CLEAR/NOCLEAR and CONTOUR use P1 as on (1) or off (0).
    int EffectNumber = 0;
    int P1 = 0, P2 = 0, P3 = 0, P4 = 0, P5 = 0;

    QString SlotName; // SAVE, LOAD (lower case)

    QString BlendSlot; // lower case
    float BlendOpacity = 0; // 0..1
    SkBlendMode BlendMode = SkBlendMode::kSrcOver;

    int TextureStrength = -1; // negative: the context's
    float TextureScale = -1;  // negative: the context's
    int TextureIndex = -1;    // negative: the texture chosen in the main window

    QString FrameStyle;        // "brushstrokes" or empty
    int FrameIndex = -1;       // negative: the frame chosen in the main window
    int FrameSize = -1;        // negative: the default
    TAlphaColor FrameColor = 0; // 0: the context's
    int FrameBrushSize = 40;

    // TEXT and WATERMARK position, pixels or percent.
    float TextX = 0, TextY = 0;
    bool TextXPercent = false, TextYPercent = false;
    QString TextString;
    TAlphaColor TextColorOverride = 0; // 0: none
    float TextSizeOverride = 0;        // 0 or less: none
    QString TextFontOverride;
    QString TextStyleOverride;
    int TextShadowOverride = -1; // -1 none, 0 off, 1 on

    QString WmPath;
    float WmWidth = 0; // 0 or less: the default width
    bool WmWidthPercent = false;
    float WmAlpha = 100; // percent

    QString FontName;
    float FontSize = 0;
    QString FontStyleStr;
    TAlphaColor FontColor = 0; // 0: keep the current colour

    float ResizeW = 0, ResizeH = 0;
    bool ResizeWPercent = false, ResizeHPercent = false;

    TAlphaColor ContourColor = 0;

    QString LutFilePath;
    QString LutEmbeddedName;
};

// An effect as scripts may name it.
struct TScriptEffectRow {
    int Number;
    const char* DisplayName;
    const char* ScriptName;
};

// The 25 effects scripts may name (203 is reached by its number only).
std::span<const TScriptEffectRow> ScriptEffectTable();

// The effect a token names: a token that reads as an integer is that number,
// unchecked; otherwise a script name or display name (ASCII case ignored); -1
// when nothing matches.
int EffectIdFromName(const QString& Token);

// The display name of an effect, or "Effect " and its number.
QString EffectDisplayName(int Number);

} // namespace pv
