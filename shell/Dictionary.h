#pragma once
// The interface is written in English; other languages are shown by looking
// each English text up in a dictionary of the current language. Every control
// of the widget kit keeps the English text it was given, so a window is
// translated and reverted by walks over its controls and can switch language
// any number of times. Fitting shrinks a caption's font, in half-pixel steps
// down to 9, until its translation fits. UI thread only.

#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

namespace pv {

class TControl;

QString GetCurrentLanguage();
void SetCurrentLanguage(const QString& Code);

// The text in the current language: its translation when the language is not
// "en" and the dictionary holds it, else the text itself.
QString TranslateText(const QString& Text);
void ClearTranslations();
// Pairs line i of both lists (both non-empty); a later duplicate English line
// replaces an earlier one.
void BuildTranslations(const QStringList& EnglishLines, const QStringList& TargetLines);
int TranslationCount();

// The "%d" and "%s" placeholders of a text, in order ("ds" for "%d ... %s").
QString PlaceholderSequence(const QString& text);
// A row with placeholders in the current language, filled left to right with
// values (values are never scanned for placeholders). A translation whose
// placeholders differ from the English ones is not used.
QString TranslateFormat(const QString& english, const QStringList& values);

// Shows every control under Root (and its hints) in the current language,
// from the English texts the controls keep.
void TranslateComponent(QWidget* Root);
// Shows every control under Root in English again.
void RevertComponent(QWidget* Root);
// Drops what was remembered of Root's hints.
void ForgetTranslatedComponent(QWidget* Root);

// Whether Text in Font fits Width x Height pixels (one line, or word-wrapped).
bool TextFits(const QString& Text, const QFont& Font, double Width, double Height, bool MultiLine);
// Shrinks a control's font until its text fits; false only on an error.
bool FitTextControl(TControl* C);
inline bool FitControlText(TControl* C) { return FitTextControl(C); }
// FitTextControl over every control under Root.
void FitTranslatedTexts(QWidget* Root);

} // namespace pv
