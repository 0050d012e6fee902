#include "shell/Theme.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

TEST(Theme, EveryPaletteRowGivesItsLightColourAsUsed)
{
    const TAlphaColor used[14] = {0xD1D4DA, 0xCBD0D7, 0xC6CBD3, 0xE5E5E5, 0xDEE1E4, 0xF1F2F2, 0xDCDEE1,
                                  0xD9DCE0, 0xC6CCD3, 0x8B96A6, 0xA9B2BD, 0xC1C9D3, 0xCBD1D8, 0x8593A6};
    for (int i = 0; i < 14; ++i) {
        const TPalettePair& p = ThemePalette()[i];
        const TAlphaColor light = PaletteLight(p);
        EXPECT_EQ(light, used[i]) << "row " << i + 1;
        EXPECT_EQ(ThemeMapColorTo(0xFF000000u | p.dark, true), 0xFF000000u | light) << "row " << i + 1;
        EXPECT_EQ(ThemeMapColorTo(0x80000000u | light, false), 0x80000000u | p.dark) << "row " << i + 1;
    }
    // The factor is a single-precision value multiplied in double precision.
    EXPECT_EQ(ScaleColorRGB(0xFFFFFFFFu, 0.9f), TAlphaColor(std::nearbyint(255 * double(0.9f))) * 0x010101u);
    EXPECT_EQ(DarkenColorKeepAlpha(0x80E8ECF2u), 0x80D1D4DAu);
    EXPECT_EQ(DarkenColor(0x80E8ECF2u), 0x00D1D4DAu);
}

TEST(Theme, FillAndTextColoursMapBetweenThePalettes)
{
    const struct {
        TAlphaColor in;
        bool toLight, text;
        TAlphaColor out;
    } cases[] = {
        {0xFF314158u, true, false, 0xFFF1F2F2u},  {0xFFF1F2F2u, false, false, 0xFF314158u},
        {0x80314158u, true, false, 0x80F1F2F2u},  {0x40FFFFFFu, true, false, 0x40000000u},
        {0x40000000u, false, false, 0x40FFFFFFu}, {0xFFFFFFFFu, true, false, 0xFFFFFFFFu},
        {0x00FFFFFFu, true, false, 0x00FFFFFFu},  {0xFF1F2937u, true, false, 0xFFE5E5E5u},
        {0xFFF1F2F2u, true, false, 0xFFF1F2F2u},  {0xFF61B9D2u, true, false, 0xFF61B9D2u},
        {0xFFD5D5D5u, true, true, 0xFF2A3744u},   {0xFFB5B5B5u, true, true, 0xFF7A8699u},
        {0xFF808080u, true, true, 0xFF808080u},   {0xFFFF0000u, true, true, 0xFFFF0000u},
        {0xFFFFFFFFu, true, true, 0xFF2A3744u},   {0xFF2A3744u, false, true, 0xFFD5D5D5u},
        {0x807A8699u, false, true, 0x80B5B5B5u},  {0x00FFFFFFu, true, true, 0x00FFFFFFu},
        {0xFF2A3744u, true, true, 0xFF2A3744u},   {0xFFFFFFFFu, false, true, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        const TAlphaColor out = c.text ? ThemeMapTextColorTo(c.in, c.toLight) : ThemeMapColorTo(c.in, c.toLight);
        EXPECT_EQ(out, c.out) << std::hex << c.in << (c.toLight ? " to light" : " to dark");
    }
}

TEST(Theme, ControlsKeepTheirDesignColoursSoTwoSwitchesRestoreThem)
{
    TRoundedPanel panel;
    panel.setFillColour(0xFF314158u);
    panel.setStroke(0x40FFFFFFu, 1);
    TLabel label(QStringLiteral("Crop"), &panel);
    label.setFontColour(0xFFFFFFFFu);
    TSvgIcon icon(&panel);
    TSvgIcon whiteIcon(&panel);
    whiteIcon.setOverrideColour(0xFFFFFFFFu);
    TButton ghost(QStringLiteral("Close"), TButton::Look::Ghost, &panel);

    SetLightTheme(true);
    ThemeWalk(&panel, true);
    EXPECT_EQ(panel.fillColour(), 0xFFF1F2F2u);
    EXPECT_EQ(panel.strokeColour(), 0x40000000u);
    EXPECT_EQ(label.fontColour(), 0xFF2A3744u);
    EXPECT_EQ(icon.overrideColour(), 0xFF2A3744u);
    EXPECT_EQ(whiteIcon.overrideColour(), 0xFFFFFFFFu);
    EXPECT_EQ(ghost.colour("stroke"), 0x38000000u);
    EXPECT_EQ(ghost.colour("font"), 0xFF2A3744u);
    // Code that maps its colour itself while the light theme is on.
    TLabel later(QStringLiteral("Resize"), &panel);
    later.setFontColour(ThemeMapTextColor(0xFFB5B5B5u));
    EXPECT_EQ(later.fontColour(), 0xFF7A8699u);

    SetLightTheme(false);
    ThemeWalk(&panel, false);
    EXPECT_EQ(panel.fillColour(), 0xFF314158u);
    EXPECT_EQ(panel.strokeColour(), 0x40FFFFFFu);
    EXPECT_EQ(label.fontColour(), 0xFFFFFFFFu); // white, not D5D5D5
    EXPECT_EQ(icon.overrideColour(), 0xFFD5D5D5u);
    EXPECT_EQ(ghost.colour("stroke"), 0x38FFFFFFu);
    EXPECT_EQ(ghost.colour("font"), 0xFFAAB3C0u);
    EXPECT_EQ(later.fontColour(), 0xFFB5B5B5u);
}

TEST(Theme, SkippedControlsAndTheirChildrenKeepTheirColours)
{
    TRoundedPanel root;
    auto* thumb = new TRoundedPanel(&root);
    thumb->setFillColour(0xFF314158u);
    thumb->setThemeWalkSkip(true);
    auto* inside = new TLabel(QStringLiteral("x"), thumb);
    SetLightTheme(true);
    ThemeWalk(&root, true);
    SetLightTheme(false);
    EXPECT_EQ(thumb->fillColour(), 0xFF314158u);
    EXPECT_EQ(inside->fontColour(), 0xFFD5D5D5u);
    EXPECT_EQ(root.fillColour(), 0xFFF1F2F2u);
}

class ThemeSettingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = qgetenv("PELANDROVIUM_SETTINGS_DIR");
        qputenv("PELANDROVIUM_SETTINGS_DIR", dir_.path().toUtf8());
        ForgetLoadedSettings();
    }
    void TearDown() override
    {
        qputenv("PELANDROVIUM_SETTINGS_DIR", saved_);
        ForgetLoadedSettings();
        SetLightTheme(false);
    }
    void Write(const char* name, const QByteArray& bytes)
    {
        QFile f(dir_.path() + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir dir_;
    QByteArray saved_;
};

TEST_F(ThemeSettingTest, StoredChoiceThenLegacyFileThenDark)
{
    const struct {
        const char* what;
        QByteArray settings, legacy;
        bool light;
    } cases[] = {
        {"stored Light with a blank", "theme=Light \r\n", "", true},
        {"another word", "theme=bright\r\n", "light", false},
        {"the setting wins over the file", "theme=dark\r\n", "light", false},
        {"legacy file with a line break", "", "light\r\n", true},
        {"legacy file in UTF-16", "", QByteArray("\xFF\xFEl\0i\0g\0h\0t\0", 12), true},
        {"nothing stored", "", "", false},
    };
    for (const auto& c : cases) {
        ForgetLoadedSettings();
        QFile::remove(dir_.path() + QStringLiteral("/settings.txt"));
        QFile::remove(ThemeFilePath());
        if (!c.settings.isEmpty())
            Write("settings.txt", c.settings);
        if (!c.legacy.isEmpty())
            Write("theme.txt", c.legacy);
        SetLightTheme(!c.light);
        LoadThemeSetting();
        EXPECT_EQ(IsLightTheme(), c.light) << c.what;
    }
    Write("theme.txt", "light");
    SaveThemeSetting();
    EXPECT_EQ(GetSetting(QStringLiteral("theme")), QStringLiteral("dark"));
    QFile legacy(ThemeFilePath()); // never written or deleted
    ASSERT_TRUE(legacy.open(QIODevice::ReadOnly));
    EXPECT_EQ(legacy.readAll(), QByteArray("light"));
}

TEST(Theme, SignatureTurnsWhiteWithBoostedOpacityInTheDarkTheme)
{
    QImage black(3, 1, QImage::Format_ARGB32_Premultiplied);
    black.setPixel(0, 0, 0x00000000u);
    black.setPixel(1, 0, 0x80000000u);
    black.setPixel(2, 0, 0xFF000000u);
    const QImage dark = RecolorSignature(black, false);
    const uint32_t t128 = uint32_t(std::nearbyint(255.0 * std::pow(128 / 255.0, 0.72)));
    EXPECT_EQ(dark.pixel(0, 0), 0x00000000u);
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(dark.constScanLine(0))[1], t128 * 0x01010101u);
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(dark.constScanLine(0))[2], 0xFFFFFFFFu);
    EXPECT_EQ(RecolorSignature(black, true), black);
}

} // namespace
} // namespace pv
