#pragma once
// The 14 interface languages: parallel tables of 300 texts each, built into
// the program, line i of every table translating line i of the English one.
// Also the choice of a language from the system's locale and the export of
// the tables as text files.

#include <QString>
#include <QStringList>

namespace pv {

struct TLanguage {
    const char* code;       // "de"
    const char* nativeName; // "Deutsch", the language popup's text
    const char* exportFile; // "German strings.txt"
};
// In the order of the language popup.
constexpr int kLanguageCount = 14;
const TLanguage (&Languages())[kLanguageCount];
// The number of a code in that order (exact, with case), or -1.
int LanguageIndex(const QString& code);

// The table of a code, or an empty list when the code has none.
QStringList LanguageTable(const QString& code);

// Puts Qt's own texts (the buttons of message boxes, the file dialogs) into
// the language of a code, from the translations Qt installs beside itself;
// English, a code without a table and a language Qt has no texts for leave
// them English. False when nothing was loaded.
bool LoadQtTranslations(const QString& code);

// The interface language of a locale name ("de_DE.UTF-8", "pt-BR", "kok_IN"):
// its whole language subtag when one of the 14 codes, else "en".
QString LanguageOfLocale(const QString& localeName);

// Export: the folder "Languages" beside the program or in the nearest folder
// above it that has one, or an empty string.
QString FindExportFolder(const QString& programFolder);
struct TExportResult {
    bool written = false; // every file written
    QString folder;       // the target ("" when there is none)
    QString error;        // the file that failed and why
};
// Writes the 14 tables (UTF-8 without a byte-order mark, CR LF after every
// line), each file atomically, and stops at the first file that fails.
TExportResult ExportLanguages(const QString& programFolder);

} // namespace pv
