#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pv {
namespace {

// Every test gets an empty settings folder of its own; the store forgets what
// it loaded before and after.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = qgetenv("PELANDROVIUM_SETTINGS_DIR");
        folder_ = dir_.path() + QStringLiteral("/Documents/Pelandrovium");
        qputenv("PELANDROVIUM_SETTINGS_DIR", folder_.toUtf8());
        ForgetLoadedSettings();
    }
    void TearDown() override
    {
        qputenv("PELANDROVIUM_SETTINGS_DIR", saved_);
        ForgetLoadedSettings();
    }
    void WriteFile(const QByteArray& bytes)
    {
        QDir().mkpath(folder_);
        QFile f(folder_ + QStringLiteral("/settings.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray ReadFile()
    {
        QFile f(folder_ + QStringLiteral("/settings.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir_;
    QString folder_;
    QByteArray saved_;
};

TEST_F(SettingsTest, FreshProfileGivesDefaultsAndTheFirstChoiceCreatesFolderAndFile)
{
    EXPECT_EQ(GetSetting(QStringLiteral("theme"), QStringLiteral("dark")), QStringLiteral("dark"));
    EXPECT_FALSE(QDir(folder_).exists());
    SetSetting(QStringLiteral("language"), QStringLiteral("de"));
    EXPECT_EQ(SettingsFilePath(), folder_ + QStringLiteral("/settings.txt"));
    EXPECT_EQ(ReadFile(), QByteArray("language=de\r\n"));
}

TEST_F(SettingsTest, ReadsEveryEncodingAndLineEndAndKeepsTheFirstOfTwoNames)
{
    const struct {
        const char* what;
        QByteArray file;
        const char* name;
        QString expected;
    } cases[] = {
        {"UTF-8 without mark", "language=t\xC3\xBCrk\r\n", "language", QStringLiteral("türk")},
        {"UTF-8 mark", "\xEF\xBB\xBFtheme=light\n", "theme", QStringLiteral("light")},
        {"UTF-16 LE mark", QByteArray("\xFF\xFEs\0=\0\xE9\0", 8), "s", QStringLiteral("é")},
        {"UTF-16 BE mark", QByteArray("\xFE\xFF\0s\0=\0\xE9", 8), "s", QStringLiteral("é")},
        {"Windows-1252", "x=caf\xE9 \x80", "x", QStringLiteral("café €")},
        {"name in capitals", "THEME=light\r\n", "theme", QStringLiteral("light")},
        {"first line wins", "saves=1\rsaves=2\r", "SAVES", QStringLiteral("1")},
        {"nothing trimmed", " a = b \n", " a ", QStringLiteral(" b ")},
        {"present and empty", "uizoom=\r\n", "uizoom", QString()},
        {"line without =", "uizoom\r\n", "uizoom", QStringLiteral("<default>")},
        {"absent", "theme=dark\r\n", "language", QStringLiteral("<default>")},
    };
    for (const auto& c : cases) {
        ForgetLoadedSettings();
        WriteFile(c.file);
        EXPECT_EQ(GetSetting(QString::fromLatin1(c.name), QStringLiteral("<default>")), c.expected) << c.what;
    }
}

TEST_F(SettingsTest, ChangesRewriteTheWholeFileInUtf8WithCrLf)
{
    const struct {
        const char* what;
        QByteArray file;
        const char* name;
        QString value;
        QByteArray written;
    } cases[] = {
        {"replaces the first line, spelt as passed", "THEME=dark\r\nnote\r\ntheme=x\r\n", "theme",
         QStringLiteral("light"), "theme=light\r\nnote\r\ntheme=x\r\n"},
        {"appends a new name", "theme=dark", "language", QStringLiteral("fr"), "theme=dark\r\nlanguage=fr\r\n"},
        {"empty value removes the line", "uizoom=120\r\nsaves=3\r\n", "uizoom", QString(), "saves=3\r\n"},
        {"removing an absent name still rewrites", QByteArray("\xFF\xFEs\0=\0\xE9\0", 8), "other", QString(), "s=\xC3\xA9\r\n"},
        {"read as Windows-1252, written as UTF-8", "language=fran\xE7" "ais\n", "saves", QStringLiteral("1"),
         "language=fran\xC3\xA7" "ais\r\nsaves=1\r\n"},
        {"line breaks cannot start lines of their own", "", "language", QStringLiteral("de\r\ntheme=light\n"),
         "language=detheme=light\r\n"},
    };
    for (const auto& c : cases) {
        ForgetLoadedSettings();
        WriteFile(c.file);
        SetSetting(QString::fromLatin1(c.name), c.value);
        EXPECT_EQ(ReadFile(), c.written) << c.what;
    }
    EXPECT_EQ(GetSetting(QStringLiteral("theme")), QString());
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNeverReplaced)
{
    WriteFile("theme=light\r\nlanguage=de\r\nsaves=12\r\n");
    QFile::setPermissions(folder_ + QStringLiteral("/settings.txt"), QFileDevice::Permissions());
    for (const QString& folder : {dir_.path(), dir_.path() + QStringLiteral("/Documents"), folder_})
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
    // Permissions bind root only through an unprivileged file-system user.
    const bool root = geteuid() == 0;
    if (root)
        setfsuid(65534);
    SetSetting(QStringLiteral("uizoom"), QStringLiteral("120"));
    const QString kept = GetSetting(QStringLiteral("uizoom"));
    if (root)
        setfsuid(0);
    EXPECT_EQ(kept, QStringLiteral("120")); // still in memory for this run
    QFile::setPermissions(folder_ + QStringLiteral("/settings.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadFile(), QByteArray("theme=light\r\nlanguage=de\r\nsaves=12\r\n"));
}

// A pipe would block the start, a huge file would fill memory: anything that
// is no plain settings-sized file is left as it is and the run starts on
// defaults, as with a file that cannot be read.
TEST_F(SettingsTest, AFileThatIsNoPlainFileOrFarTooLargeIsLeftUntouched)
{
    const QString path = folder_ + QStringLiteral("/settings.txt");
    const struct {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"pipe", [&] { ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0); }},
        {"folder", [&] { ASSERT_TRUE(QDir().mkpath(path)); }},
        {"huge", [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("language=de\r\n");
             ASSERT_TRUE(f.resize(100 * 1024 * 1024)); // sparse: no disk taken
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder_).removeRecursively();
        QDir().mkpath(folder_);
        c.make();
        ForgetLoadedSettings();
        const QFileInfo before(path);
        EXPECT_EQ(GetSetting(QStringLiteral("language"), QStringLiteral("en")), QStringLiteral("en"));
        SetSetting(QStringLiteral("theme"), QStringLiteral("light"));
        EXPECT_EQ(GetSetting(QStringLiteral("theme")), QStringLiteral("light")); // kept in memory
        const QFileInfo after(path);
        EXPECT_EQ(after.isFile(), before.isFile());
        EXPECT_EQ(after.isDir(), before.isDir());
        EXPECT_EQ(after.size(), before.size());
    }
}

TEST_F(SettingsTest, AFolderThatCannotBeWrittenKeepsTheValueInMemory)
{
    QDir().mkpath(dir_.path() + QStringLiteral("/Documents"));
    QFile blocker(folder_);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    SetSetting(QStringLiteral("saves"), QStringLiteral("1"));
    EXPECT_EQ(GetSetting(QStringLiteral("saves")), QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo(folder_).isFile());
}

} // namespace
} // namespace pv
