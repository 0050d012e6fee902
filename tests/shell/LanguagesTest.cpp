#include "shell/Languages.h"

#include <QDir>
#include <QFile>
#include <QResource>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pv {
namespace {

QString Placeholders(const QString& text)
{
    QString seq;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'%' && (text[i + 1] == u'd' || text[i + 1] == u's'))
            seq += text[++i];
    return seq;
}

qsizetype LeadingBlanks(const QString& text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n] == u' ')
        ++n;
    return n;
}

TEST(LanguageTables, FourteenTablesOfThreeHundredRowsKeepPlaceholdersBlanksAndAmpersands)
{
    const QStringList english = LanguageTable(QStringLiteral("en"));
    ASSERT_EQ(english.size(), 300);
    EXPECT_EQ(QSet<QString>(english.begin(), english.end()).size(), 300) << "an English row twice";
    EXPECT_EQ(english[117], QStringLiteral("Apply effect"));
    EXPECT_EQ(english[43], QStringLiteral("      Pen && Ink"));
    EXPECT_EQ(english[140], QStringLiteral("         Buy me a coffee"));
    for (const TLanguage& language : Languages()) {
        const QString code = QString::fromLatin1(language.code);
        QFile raw(QStringLiteral(":/languages/") + code + QStringLiteral(".txt"));
        ASSERT_TRUE(raw.open(QIODevice::ReadOnly)) << language.code;
        const QByteArray bytes = raw.readAll();
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << language.code;
        EXPECT_FALSE(bytes.contains('\r')) << language.code;
        const QStringList rows = LanguageTable(code);
        ASSERT_EQ(rows.size(), 300) << language.code;
        EXPECT_EQ(rows[253], QStringLiteral("Cartoon")) << language.code;
        for (int i = 0; i < 300; ++i) {
            const std::string where = std::string(language.code) + " row " + std::to_string(i + 1);
            EXPECT_FALSE(rows[i].trimmed().isEmpty()) << where;
            EXPECT_EQ(Placeholders(rows[i]), Placeholders(english[i])) << where;
            EXPECT_EQ(LeadingBlanks(rows[i]), LeadingBlanks(english[i])) << where;
            EXPECT_EQ(rows[i].contains(QStringLiteral("&&")), english[i].contains(QStringLiteral("&&"))) << where;
        }
    }
    EXPECT_TRUE(LanguageTable(QStringLiteral("EN")).isEmpty());
    EXPECT_TRUE(LanguageTable(QStringLiteral("sv")).isEmpty());
}

TEST(LanguageTables, TheSystemLanguageIsTheLocalesWholeLanguageSubtag)
{
    const struct {
        const char* locale;
        const char* code;
    } cases[] = {
        {"de_DE", "de"}, {"pt_BR", "pt"},   {"pt-PT", "pt"},       {"zh_CN.UTF-8", "zh"}, {"uk_UA@euro", "uk"},
        {"ko_KR", "ko"}, {"kok_IN", "en"},  {"sv_SE", "en"},       {"C", "en"},           {"POSIX", "en"},
        {"", "en"},      {"EN_us", "en"},   {"fr", "fr"},          {"jav_ID", "en"},      {"NL_be", "nl"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageOfLocale(QString::fromLatin1(c.locale)), QString::fromLatin1(c.code)) << c.locale;
}

TEST(LanguageTables, ExportFindsTheNearestLanguagesFolderAndWritesEveryTable)
{
    QTemporaryDir dir;
    const QString program = dir.path() + QStringLiteral("/a/b/bin");
    QDir().mkpath(program);
    EXPECT_TRUE(ExportLanguages(program).folder.isEmpty()); // no folder: nothing happens
    EXPECT_FALSE(ExportLanguages(program).written);

    QDir().mkpath(dir.path() + QStringLiteral("/a/Languages"));
    const TExportResult done = ExportLanguages(program);
    EXPECT_TRUE(done.written) << done.error.toStdString();
    EXPECT_EQ(done.folder, dir.path() + QStringLiteral("/a/Languages"));
    EXPECT_EQ(QDir(done.folder).entryList(QDir::Files).size(), 14);
    QFile english(done.folder + QStringLiteral("/English strings.txt"));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    const QByteArray bytes = english.readAll();
    EXPECT_TRUE(bytes.startsWith("Open image\r\nSave image\r\n"));
    EXPECT_TRUE(bytes.endsWith("Watermark\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 300);
    EXPECT_EQ(bytes.count('\n'), 300);

    // A file that cannot be written stops the export and says which.
    QDir(done.folder).removeRecursively();
    QDir().mkpath(dir.path() + QStringLiteral("/a/Languages/French strings.txt"));
    const TExportResult failed = ExportLanguages(program);
    EXPECT_FALSE(failed.written);
    EXPECT_TRUE(failed.error.contains(QStringLiteral("French strings.txt")));
    EXPECT_TRUE(QFile::exists(failed.folder + QStringLiteral("/English strings.txt"))); // written before
    EXPECT_FALSE(QFile::exists(failed.folder + QStringLiteral("/German strings.txt")));  // after: not tried
}

} // namespace
} // namespace pv
