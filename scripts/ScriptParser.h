#pragma once
// Reading script text: lines into commands, and the small readers every
// command shares (tokens, numbers, percentages, colours, options, blend modes
// and font styles). Parsing never stops at a bad line: every problem becomes
// one message starting "Line %d: ", so the editor can show all of them.

#include "scripts/Scripts.h"

#include "platform/graphics/SkFont.h"

#include <QStringList>

#include <vector>

namespace pv {

// The line without the control characters and blanks (code 32 or below) at
// either end.
QString TrimControl(const QString& text);
// Upper and lower case of the ASCII letters only; every other character stays.
QString AsciiUpperCase(const QString& text);
QString AsciiLowerCase(const QString& text);

// Tokens separated by spaces (only the space character). A token starting
// with a double or single quote runs to the same quote, or to the end of the
// line, and loses its quotes; the next token starts right after the closing
// quote.
QStringList TokenizeScriptLine(const QString& Line);

// A decimal with an optional trailing "%" (which sets IsPercent); 0 when the
// rest does not read.
void ParseNumberOrPercent(const QString& Text, float& Value, bool& IsPercent);

// AARRGGBB or RRGGBB (opaque), optionally after one "#" or "$". Color is
// written only when the text is a valid colour.
bool ParseHexColor(const QString& Text, TAlphaColor& Color);

// KEY=value: the key upper-cased, the value without one pair of matching
// quotes. Without "=", the key is empty.
void SplitOption(const QString& Text, QString& Key, QString& Value);

// The blend mode a word names; SrcOver for any other word.
SkBlendMode ParseBlendMode(const QString& Text);

// BOLD, ITALIC or BOLDITALIC; normal for any other word.
SkFontStyle ParseFontStyle(const QString& Text);

// Parses every line. Commands receive the lines that are kept (also when
// other lines have errors), Errors every message in line order. True when
// there are no errors.
bool ParseScript(const QStringList& Lines, std::vector<TScriptCommand>& Commands, QStringList& Errors);

} // namespace pv
