// The installed desktop entry says what the program does: it offers the
// program for every picture type the window opens, and its generic name is
// the interface's own heading in each language.

#include "shell/Languages.h"
#include "workspace/window/ImageFiles.h"

#include <QFile>
#include <QLocale>
#include <QMap>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace pv {
namespace {

QMap<QString, QString> ReadDesktopEntry()
{
    QFile file(QStringLiteral(PV_DESKTOP_ENTRY));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << PV_DESKTOP_ENTRY;
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

TEST(DesktopEntryTest, OffersTheProgramForEveryPictureTypeItOpens)
{
    const QMap<QString, QString> entry = ReadDesktopEntry();
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("pelandrovium %f"));

    // What the open dialog lists and what a drop onto the canvas accepts.
    QStringList extensions;
    const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    for (auto m = pattern.globalMatch(OpenDialogFilters().first()); m.hasNext();)
        extensions << m.next().captured(1);
    for (const char* ext : {"jpg", "jpeg", "png", "bmp", "webp", "gif", "tif", "tiff", "ico", "svg", "heic", "avif",
                            "jxl", "ppm", "xpm", "tga"})
        if (IsAcceptedDropFile(QStringLiteral("picture.") + QLatin1String(ext)))
            extensions << QLatin1String(ext);
    QStringList expected;
    const QMimeDatabase mimes;
    for (const QString& ext : extensions)
        expected << mimes.mimeTypeForFile(QStringLiteral("picture.") + ext, QMimeDatabase::MatchExtension).name();
    expected.removeDuplicates();
    expected.sort();

    QStringList listed = entry.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    listed.sort();
    EXPECT_EQ(listed.join(QLatin1Char(' ')).toStdString(), expected.join(QLatin1Char(' ')).toStdString());
    EXPECT_TRUE(expected.contains(QStringLiteral("image/gif"))) << "drops of GIF pictures are accepted";
}

TEST(DesktopEntryTest, GenericNameIsTheArtisticFiltersHeadingOfEveryLanguage)
{
    const QMap<QString, QString> entry = ReadDesktopEntry();
    constexpr int kHeadingRow = 30; // "ARTISTIC FILTERS"
    for (const TLanguage& language : Languages()) {
        const QString code = QString::fromLatin1(language.code);
        const QString key = code == QLatin1String("en") ? QStringLiteral("GenericName")
                                                         : QStringLiteral("GenericName[%1]").arg(code);
        const QLocale locale(code);
        const QString heading = LanguageTable(code).value(kHeadingRow).trimmed();
        ASSERT_FALSE(heading.isEmpty()) << code.toStdString();
        EXPECT_EQ(locale.toLower(entry.value(key)).toStdString(), locale.toLower(heading).toStdString())
            << key.toStdString();
    }
}

} // namespace
} // namespace pv
