#include "shell/Languages.h"

#include "platform/system/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <memory>

static void InitLanguageTables() { Q_INIT_RESOURCE(languages); }

namespace pv {
namespace {

constexpr TLanguage kLanguages[kLanguageCount] = {
    {"zh", "中文", "Chinese strings.txt"},        {"de", "Deutsch", "German strings.txt"},
    {"en", "English", "English strings.txt"},    {"es", "Español", "Spanish strings.txt"},
    {"fr", "Français", "French strings.txt"},    {"it", "Italiano", "Italian strings.txt"},
    {"ja", "日本語", "Japanese strings.txt"},     {"ko", "한국어", "Korean strings.txt"},
    {"nl", "Nederlands", "Dutch strings.txt"},   {"pl", "Polski", "Polish strings.txt"},
    {"pt", "Português", "Portuguese strings.txt"}, {"ru", "Русский", "Russian strings.txt"},
    {"tr", "Türkçe", "Turkish strings.txt"},     {"uk", "Українська", "Ukrainian strings.txt"},
};

// The export writes the tables in the order of their English names.
constexpr const char* kExportOrder[kLanguageCount] = {"zh", "nl", "en", "fr", "de", "it", "ja",
                                                      "ko", "pl", "pt", "ru", "es", "tr", "uk"};

} // namespace

const TLanguage (&Languages())[kLanguageCount] { return kLanguages; }

int LanguageIndex(const QString& code)
{
    for (int i = 0; i < kLanguageCount; ++i)
        if (code == QLatin1String(kLanguages[i].code))
            return i;
    return -1;
}

QStringList LanguageTable(const QString& code)
{
    if (LanguageIndex(code) < 0)
        return {};
    InitLanguageTables();
    QFile file(QStringLiteral(":/languages/") + code + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

bool LoadQtTranslations(const QString& code)
{
    static QPointer<QTranslator> installed;
    if (!QCoreApplication::instance())
        return false;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    if (code == QLatin1String("en") || LanguageIndex(code) < 0)
        return false;
    // Qt names its files by region where a language has several ("pt_BR",
    // "zh_CN"); the locale of a bare code leads to the likely one.
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    installed = translator.release();
    QCoreApplication::installTranslator(installed);
    return true;
}

QString LanguageOfLocale(const QString& localeName)
{
    qsizetype end = 0;
    while (end < localeName.size() && localeName[end] != u'_' && localeName[end] != u'-' &&
           localeName[end] != u'.' && localeName[end] != u'@')
        ++end;
    const QString subtag = localeName.left(end).toLower();
    return LanguageIndex(subtag) >= 0 ? subtag : QStringLiteral("en");
}

QString FindExportFolder(const QString& programFolder)
{
    QDir d(QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath()));
    while (true) {
        if (QFileInfo(d.filePath(QStringLiteral("Languages"))).isDir())
            return d.filePath(QStringLiteral("Languages"));
        if (!d.cdUp())
            return {};
    }
}

TExportResult ExportLanguages(const QString& programFolder)
{
    TExportResult result;
    result.folder = FindExportFolder(programFolder);
    if (result.folder.isEmpty())
        return result;
    for (const char* code : kExportOrder) {
        QByteArray data;
        for (const QString& line : LanguageTable(QString::fromLatin1(code)))
            data += line.toUtf8() + "\r\n";
        const QString path =
            QDir(result.folder).filePath(QString::fromUtf8(kLanguages[LanguageIndex(QString::fromLatin1(code))].exportFile));
        QString why;
        if (!WriteFileAtomically(path, data, &why)) {
            result.error = path + QStringLiteral(": ") + why;
            return result;
        }
    }
    result.written = true;
    return result;
}

} // namespace pv
