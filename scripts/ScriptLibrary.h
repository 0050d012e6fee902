#pragma once
// What the script editor and the batch mode know about script texts without
// a window: the built-in example scripts, reading script files (plain or
// zipped) in whatever encoding they come, writing them back, the default
// scripts, the lines the insert buttons write and the error summary shown
// before a run.

#include "platform/graphics/SkTypes.h"
#include "platform/system/TextDecoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace pv {

class ZipArchive;

// One entry of the script list.
struct TScriptEntry {
    QString Name; // shown in the list
    QString Text; // the whole script
    bool BuiltIn = false;
};

// The listed name of a script file or archive entry: the file name without
// folder ("/" and "\" both separate) and extension, "_" shown as a blank.
QString ScriptEntryName(const QString& path);

// No script is anywhere near this long (the longest example is a few
// kilobytes); a larger file or entry is refused before it is read.
constexpr qint64 kMaxScriptBytes = 1 << 20;

// Every ".vls" entry of an archive, in archive order, decoded as UTF-8. An
// entry larger than kMaxScriptBytes or unreadable is left out and named in
// refused; a broken archive ends the list with what was read.
std::vector<TScriptEntry> ReadScriptArchive(const ZipArchive& archive, bool BuiltIn, QStringList* refused = nullptr);
// The built-in archive "PELANDROVIUM_SCRIPTS"; empty when it cannot be read.
QByteArray EmbeddedScriptArchive();
std::vector<TScriptEntry> LoadEmbeddedScripts();

// Script bytes as text (the decoding every hand-written text file gets).
inline QString DecodeScriptBytes(const QByteArray& bytes) { return DecodeTextBytes(bytes); }
// Script files chosen by the user, in order: a ".zip" gives its ".vls"
// entries, any other file one entry of its whole text. Files that cannot be
// read are skipped; files and entries above kMaxScriptBytes are named in
// refused.
std::vector<TScriptEntry> ImportScriptFiles(const QStringList& paths, QStringList* refused = nullptr);
// The memo's lines as written to a script file: UTF-8, CR LF after each line.
QByteArray EncodeScriptForSave(const QStringList& lines);

// Lines split at CR LF, LF or CR; a final line break adds no empty line.
inline QStringList SplitScriptLines(const QString& text) { return SplitTextLines(text); }

// The scripts built into the editor: the one it starts with and the one a
// full reset puts back.
const QStringList& StartupScriptLines();
const QStringList& ResetScriptLines();

// The message shown when a script has errors: "Script errors:", a blank line,
// the first five errors and, when there are more, the count of the rest.
// Translate is applied to the fixed texts.
QString ScriptErrorsMessage(const QStringList& errors, QString (*Translate)(const QString&) = nullptr);

// Where an inserted line goes: below the caret's line, appended after the last.
int InsertedLineIndex(int caretLine, int lineCount);

// The values the insert buttons read from the main window.
struct TScriptInsertState {
    int EffectNumber = -1;
    int P[5] = {0, 0, 0, 0, 0};
    QString LutFilePath;
    int TextureStrength = 0, TextureNumber = -1;
    float TextureScale = 1.0f;
    int FrameSize = 0, FrameNumber = -1;
    TAlphaColor FrameColor = 0xFFFFFFFFu;
    TAlphaColor ContourColor = 0xFF000000u;
};

// The lines of "Effect (current)": with effect 404 a lookup-table line first.
QStringList InsertEffectLines(const TScriptInsertState& s);
QString InsertTextureLine(const TScriptInsertState& s);
QString InsertFrameLine(const TScriptInsertState& s);
QString InsertBrushFrameLine(const TScriptInsertState& s);
QString InsertContourLine(const TScriptInsertState& s);
// "BLEND myslot 50", with the mode after it unless it is "normal".
QString InsertBlendLine(const QString& mode);

// "#" and eight upper-case hexadecimal digits.
QString HexColorText(TAlphaColor color);

} // namespace pv
