#include "KeyboardFixture.h"

#include "overlays/CombineImages.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Marquee.h"
#include "shell/Dictionary.h"
#include "shell/Languages.h"
#include "workspace/text-and-print/PrintWindow.h"

#include <QCursor>

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
    // Over the menu's right part, level with the entry as far as the window's
    // bottom lets it.
    const TLabel* entry = form.MenuEntry("LanguageMI");
    const QPoint entryAt = entry->mapTo(&form, QPoint(0, 0));
    EXPECT_EQ(form.FLanguagePopup->x(), entryAt.x() + entry->width() + 5);
    EXPECT_EQ(form.FLanguagePopup->y(), std::min(entryAt.y(), form.height() - form.FLanguagePopup->height() - 5));
    EXPECT_LT(form.FLanguagePopup->x(), form.MenuContainer->geometry().right());
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

TEST(MainMenu, TheMouseGoesFromLanguageToItsPopupWithoutClosingTheMenu)
{
    KeyboardForm form;
    form.bnMainMenuClick();
    TLabel* entry = form.MenuEntry("LanguageMI");
    Q_EMIT entry->clicked();
    ASSERT_TRUE(form.FLanguagePopup->isVisible());
    // Straight right from the entry's caption into the popup's first language.
    const QPoint from = entry->mapToGlobal(QPoint(entry->width() / 2, entry->height() / 2));
    const QPoint to(form.FLanguagePopup->mapToGlobal(QPoint(form.FLanguagePopup->width() / 2, 0)).x(), from.y());
    ASSERT_GT(to.x(), from.x());
    for (int x = from.x(); x <= to.x(); ++x) {
        QCursor::setPos(x, from.y());
        form.MenuContainerMouseLeave();
        ASSERT_TRUE(form.MenuContainer->isVisible()) << "closed at " << x - form.mapToGlobal(QPoint(0, 0)).x();
    }
    EXPECT_TRUE(form.FLanguagePopup->isVisible());
    // Out of both, the menu closes.
    QCursor::setPos(form.mapToGlobal(QPoint(form.width() - 20, form.height() - 20)));
    form.MenuContainerMouseLeave();
    EXPECT_FALSE(form.MenuContainer->isVisible());
    EXPECT_FALSE(form.FLanguagePopup->isVisible());
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

TEST(MainMenu, F11AndCtrlPCloseTheMenuFirstSoEscReachesWhatTheyOpened)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        std::function<bool()> opened;
    };
    const Case cases[] = {
        {Qt::Key_F11, Qt::NoModifier, [&form] { return qobject_cast<TFrame4*>(form.ActiveOverlayFrame()) != nullptr; }},
        {Qt::Key_P, Qt::ControlModifier, [&form] { return form.PrintWindow->isVisible(); }},
    };
    for (const Case& c : cases) {
        test::ClearFocus(form);
        PressKey(form, Qt::Key_F10);
        ASSERT_TRUE(form.MenuContainer->isVisible());
        EXPECT_TRUE(PressKey(form, c.key, c.mods)) << c.key;
        EXPECT_FALSE(form.MenuContainer->isVisible()) << c.key;
        EXPECT_TRUE(c.opened()) << c.key;
        // Esc is the open panel's, not the hidden menu's.
        if (c.key == Qt::Key_F11) {
            PressKey(form, Qt::Key_Escape);
            test::WaitUntil([&] { return !c.opened(); });
            EXPECT_FALSE(c.opened());
        } else {
            form.PrintWindow->bnCancelClick();
        }
    }
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

TEST(MainMenu, EveryEntryFitsAndTakesClicksOnAShortWindowAtALargeSize)
{
    KeyboardForm form;
    form.setMinimumSize(0, 0);
    for (double zoom : {1.25, 1.5}) {
        SCOPED_TRACE(zoom);
        form.ApplyUIZoom(zoom, false);
        form.resize(1600, 1000);
        QApplication::processEvents();
        form.bnMainMenuClick();
        const QRect menu = form.MenuContainer->geometry();
        EXPECT_LE(menu.bottom(), form.height() - 1);
        EXPECT_EQ(menu.topLeft(), QPoint(DpI(14), DpI(90)));
        ASSERT_EQ(form.FMenuItems.size(), 20u);
        for (TLabel* entry : form.FMenuItems) {
            const QRect at(entry->mapTo(&form, QPoint(0, 0)), entry->size());
            EXPECT_TRUE(menu.contains(at)) << entry->objectName().toStdString();
            QWidget* hit = form.childAt(at.center());
            EXPECT_TRUE(hit == entry || (hit && hit->isAncestorOf(entry))) << entry->objectName().toStdString();
        }
        // The language popup still stands level with its entry, over the menu.
        Q_EMIT form.MenuEntry("LanguageMI")->clicked();
        EXPECT_LT(form.FLanguagePopup->x(), menu.right());
        form.CloseMainMenu();
    }
    // Back at the window's size the menu is whole and at full size again.
    form.ApplyUIZoom(1.0, false);
    form.resize(1300, 900);
    QApplication::processEvents();
    form.bnMainMenuClick();
    EXPECT_EQ(form.MenuContainer->size(), QSize(353, 737));
    EXPECT_EQ(form.MenuEntry("SaveMI")->geometry().topLeft(), QPoint(62, 73));
    form.CloseMainMenu();
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

// The "Interface size" entry shows a magnifying glass with a plus.
TEST(MainMenu, TheInterfaceSizeIconIsAMagnifierWithAPlus)
{
    test::RecordingForm form;
    auto* icon = form.MenuContainer->findChild<TSvgIcon*>(QStringLiteral("UIZoomMIIcon"));
    ASSERT_TRUE(icon);
    QImage look(icon->size(), QImage::Format_ARGB32_Premultiplied);
    look.fill(Qt::transparent);
    static_cast<QWidget*>(icon)->render(&look);
    // Points of the icon's 24-unit grid: on the ring, the handle and the plus,
    // or clear of them (inside the glass, beyond the ring).
    struct Case {
        double x, y;
        bool drawn;
    } cases[] = {
        {11, 3, true},    {3, 11, true},   {18.8, 18.8, true}, {20.6, 20.6, true},
        {11, 11, true},   {8.6, 11, true}, {11, 13.4, true},   {7.2, 7.2, false},
        {14.6, 14.6, false}, {20.5, 12, false}, {21.5, 4, false},
    };
    const double unit = icon->width() / 24.0;
    for (const Case& c : cases) {
        const int alpha = qAlpha(look.pixel(int(c.x * unit), int(c.y * unit)));
        EXPECT_EQ(alpha > 96, c.drawn) << c.x << "," << c.y << " alpha " << alpha;
    }
}

} // namespace
} // namespace pv
