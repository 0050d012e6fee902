#include "KeyboardFixture.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/Marquee.h"
#include "shell/U_dictionary.h"
#include "shell/U_languages.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::KeyboardForm;
using test::PressKey;

QString Selected(const TForm1& form)
{
    return form.FMenuSelIndex >= 0 ? form.FMenuItems[size_t(form.FMenuSelIndex)]->objectName() : QString();
}

TEST(MainMenu, TheKeyboardWalksTheEntriesAndWraps)
{
    KeyboardForm form;
    EXPECT_TRUE(PressKey(form, Qt::Key_F10));
    ASSERT_TRUE(form.MenuContainer->isVisible());
    ASSERT_EQ(form.FMenuItems.size(), 20u);
    EXPECT_EQ(Selected(form), QString());
    PressKey(form, Qt::Key_Down);
    EXPECT_EQ(Selected(form), QStringLiteral("OpenMI"));
    PressKey(form, Qt::Key_Up);
    EXPECT_EQ(Selected(form), QStringLiteral("UIZoomMI"));
    PressKey(form, Qt::Key_Down);
    EXPECT_EQ(Selected(form), QStringLiteral("OpenMI"));
    PressKey(form, Qt::Key_Down);
    // Right on an ordinary entry does nothing more.
    PressKey(form, Qt::Key_Right);
    EXPECT_EQ(Selected(form), QStringLiteral("SaveMI"));
    EXPECT_TRUE(form.MenuContainer->isVisible());
    EXPECT_EQ(form.MenuEntry("SaveMI")->fontColour(), 0xFFFFFFFFu);
    EXPECT_EQ(form.MenuEntry("OpenMI")->fontColour(), 0xFFD5D5D5u);

    // Closing and reopening selects the entry selected at closing.
    PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form.MenuContainer->isVisible());
    PressKey(form, Qt::Key_F10);
    EXPECT_EQ(Selected(form), QStringLiteral("SaveMI"));
    PressKey(form, Qt::Key_F10);
    EXPECT_FALSE(form.MenuContainer->isVisible());
}

TEST(MainMenu, LanguagePopupOpensWithRightOrEnterAndClosesStepByStep)
{
    KeyboardForm form;
    PressKey(form, Qt::Key_F10);
    while (Selected(form) != QStringLiteral("LanguageMI"))
        PressKey(form, Qt::Key_Up);
    PressKey(form, Qt::Key_Right);
    ASSERT_TRUE(form.FLanguagePopup && form.FLanguagePopup->isVisible());
    EXPECT_EQ(form.FLangSelIndex, 0);
    EXPECT_EQ(form.FLangItems[0]->fontColour(), 0xFFFFFFFFu);
    // Beside the menu.
    EXPECT_GT(form.FLanguagePopup->x(), form.MenuContainer->geometry().right());
    PressKey(form, Qt::Key_Left);
    EXPECT_FALSE(form.FLanguagePopup->isVisible());
    EXPECT_EQ(Selected(form), QStringLiteral("LanguageMI"));
    PressKey(form, Qt::Key_Return);
    EXPECT_TRUE(form.FLanguagePopup->isVisible());
    // Esc closes only the popup; a second Esc the menu.
    PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form.FLanguagePopup->isVisible());
    EXPECT_TRUE(form.MenuContainer->isVisible());
    PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form.MenuContainer->isVisible());
}

TEST(MainMenu, EnterOnALanguageSwitchesAndClosesTheMenu)
{
    KeyboardForm form;
    PressKey(form, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(form.MenuContainer->isVisible());
    ASSERT_TRUE(form.FLanguagePopup->isVisible());
    PressKey(form, Qt::Key_Down);
    const QString chosen = form.FLangItems[size_t(form.FLangSelIndex)]->text();
    PressKey(form, Qt::Key_Return);
    EXPECT_FALSE(form.MenuContainer->isVisible());
    EXPECT_FALSE(form.FLanguagePopup->isVisible());
    EXPECT_NE(GetCurrentLanguage(), QStringLiteral("en")) << chosen.toStdString();
    for (int i = 0; i < kLanguageCount; ++i)
        if (Languages()[i].code == std::string("en"))
            form.LangOptionClick(i);
    EXPECT_EQ(GetCurrentLanguage(), QStringLiteral("en"));
}

TEST(MainMenu, EnterRunsTheEntryAfterClosingTheMenu)
{
    KeyboardForm form;
    PressKey(form, Qt::Key_F10);
    while (Selected(form) != QStringLiteral("UIZoomMI"))
        PressKey(form, Qt::Key_Up);
    PressKey(form, Qt::Key_Return);
    EXPECT_FALSE(form.MenuContainer->isVisible());
    EXPECT_TRUE(form.IsUIZoomWindowOpen());
    PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form.IsUIZoomWindowOpen());
}

TEST(MainMenu, AShortWindowCutsThePanelToTheRoom)
{
    KeyboardForm form;
    form.setMinimumSize(0, 0);
    form.resize(1100, 600);
    QApplication::processEvents();
    form.bnMainMenuClick();
    EXPECT_EQ(form.MenuContainer->height(), 600 - form.MenuContainer->y() - 10);
    form.CloseMainMenu();
    form.resize(1100, 280);
    QApplication::processEvents();
    form.bnMainMenuClick();
    EXPECT_EQ(form.MenuContainer->height(), 200);
    form.CloseMainMenu();
    form.resize(1100, 1000);
    QApplication::processEvents();
    form.bnMainMenuClick();
    EXPECT_EQ(form.MenuContainer->height(), form.FMenuFullHeight);
}

TEST(MainMenu, OverLongEntriesScrollAndGoBackWhenTheMenuCloses)
{
    int64_t now = 1000;
    SetMarqueeClock([&now] { return now; });
    KeyboardForm form;
    TLabel* copy = form.MenuEntry("CopyMI");
    const QRect designed = copy->geometry();
    copy->setDisplayText(QStringLiteral("A caption far too long for the room the menu gives to it"));
    form.bnMainMenuClick();
    EXPECT_NE(copy->parentWidget(), form.MenuContainer);
    EXPECT_TRUE(form.FMenuMarquee->Running());
    // A scrolling entry stays selectable.
    EXPECT_NE(std::find(form.FMenuItems.begin(), form.FMenuItems.end(), copy), form.FMenuItems.end());
    form.FMenuMarquee->Tick();
    now += 3100;
    form.FMenuMarquee->Tick();
    now += 50;
    form.FMenuMarquee->Tick();
    EXPECT_LT(copy->x(), 0);
    form.CloseMainMenu();
    EXPECT_EQ(copy->parentWidget(), form.MenuContainer);
    EXPECT_EQ(copy->geometry(), designed);
    SetMarqueeClock({});
}

TEST(MainMenu, TheNamedButtonsFitTheirTranslatedCaptionsAndOnlyThey)
{
    KeyboardForm form;
    const QString longCaption = QStringLiteral("A caption far too long for this small button");
    struct Case {
        TButton* button;
        bool fitted;
    };
    for (const Case& c : {Case{form.CancelCoffeeButton, true}, Case{form.BuyCoffeeButton, false}}) {
        const double before = c.button->font().pixelSize();
        c.button->setDisplayText(longCaption);
        form.FitTranslatedButtons();
        if (c.fitted)
            EXPECT_LT(c.button->font().pixelSize(), before);
        else
            EXPECT_EQ(c.button->font().pixelSize(), before);
    }
}

} // namespace
} // namespace pv
