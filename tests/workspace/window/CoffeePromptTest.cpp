#include "KeyboardFixture.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/PaintBox.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/Settings.h"
#include "shell/WebPages.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::KeyboardForm;
using test::PressKey;

TEST(CoffeePrompt, EveryTwentiethSaveSteamsForThirtySeconds)
{
    KeyboardForm form;
    SetSetting(QStringLiteral("saves"), QStringLiteral("0"));
    for (int n = 1; n <= 60; ++n) {
        form.NoteImageSaved();
        EXPECT_EQ(form.FSteamTicksLeft > 0, n % 20 == 0) << n;
        EXPECT_EQ(form.steam->isVisible(), n % 20 == 0) << n;
        if (n % 20 == 0) {
            EXPECT_EQ(form.FSteamTicksLeft, 300);
            form.StopSteam();
        }
    }
    EXPECT_EQ(GetSetting(QStringLiteral("saves")), QStringLiteral("60"));
    // A count that is no number restarts at 1.
    SetSetting(QStringLiteral("saves"), QStringLiteral("many"));
    form.NoteImageSaved();
    EXPECT_EQ(GetSetting(QStringLiteral("saves")), QStringLiteral("1"));
    // The largest count stays where it is instead of running over.
    for (const char* stored : {"2147483646", "2147483647"}) {
        SetSetting(QStringLiteral("saves"), QLatin1String(stored));
        form.NoteImageSaved();
        EXPECT_EQ(GetSetting(QStringLiteral("saves")), QStringLiteral("2147483647")) << stored;
    }
}

TEST(CoffeePrompt, HoverNeverShortensARunningSteamAndWorkPausesIt)
{
    KeyboardForm form;
    form.StartSteam(30000);
    form.SteamHoverEnter();
    EXPECT_EQ(form.FSteamTicksLeft, 300);
    form.FSteamTimer.stop();
    form.SteamTimerTick();
    EXPECT_EQ(form.FSteamTicksLeft, 299);
    EXPECT_FLOAT_EQ(form.FSteamProgress, 0.0125f);
    // While an effect runs the steam stands still, then goes on where it was.
    form.FCurrentEffectNumber = 300;
    form.SteamTimerTick();
    EXPECT_EQ(form.FSteamTicksLeft, 299);
    form.FCurrentEffectNumber = -1;
    // A cycle lasts 80 ticks.
    for (int i = 0; i < 79; ++i)
        form.SteamTimerTick();
    EXPECT_TRUE(form.FSteamProgress < 1e-3f || form.FSteamProgress > 1 - 1e-3f) << form.FSteamProgress;
    EXPECT_EQ(form.FSteamTicksLeft, 220);
    // The last tick ends it: the cup shows its steam lines again.
    form.FSteamTicksLeft = 0;
    form.SteamTimerTick();
    EXPECT_FALSE(form.steam->isVisible());
    EXPECT_FALSE(form.FSteamTimer.isActive());
    form.SteamHoverEnter();
    EXPECT_EQ(form.FSteamTicksLeft, 100);
}

TEST(CoffeePrompt, OpensCentredConfirmsToThePageAndClosesWithEsc)
{
    KeyboardForm form;
    std::vector<QUrl> opened;
    SetWebPageOpener([&opened](const QUrl& url) { opened.push_back(url); });
    PressKey(form, Qt::Key_C);
    ASSERT_TRUE(form.IsCoffeeOpen());
    EXPECT_EQ(form.CoffeeRectangle->x(), (form.Layout2->width() - form.CoffeeRectangle->width()) / 2);
    EXPECT_EQ(QApplication::focusWidget(), form.BuyCoffeeButton);
    EXPECT_TRUE(form.CoffeeText->text().startsWith(QStringLiteral("Pelandrovium Brenix is free")));
    EXPECT_TRUE(form.CoffeeText->text().endsWith(u'!'));
    // The text stands in its box between the portrait and the signature,
    // which shows whole.
    EXPECT_EQ(form.CoffeeText->geometry(), QRect(24, 112, 441, 223));
    auto* signature = form.CoffeeRectangle->findChild<QWidget*>(QStringLiteral("signature"));
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->mapTo(form.CoffeeRectangle, QPoint(0, 0)), QPoint(16, 299));
    EXPECT_EQ(signature->visibleRegion().boundingRect(), signature->rect());
    const QImage text = form.CoffeeText->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    int first = -1, last = -1;
    for (int y = 0; y < text.height(); ++y)
        for (int x = 0; x < text.width(); ++x)
            if (qAlpha(text.pixel(x, y)) > 128) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
    ASSERT_GE(first, 0);
    EXPECT_GT(112 + first, 125) << "below the portrait";
    EXPECT_LT(112 + last, 299) << "above the signature";
    EXPECT_NEAR(first, text.height() - 1 - last, 8) << "in the middle of its box";
    PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form.IsCoffeeOpen());
    EXPECT_TRUE(opened.empty());

    form.CoffeeMIClick();
    PressKey(form, Qt::Key_Return);
    EXPECT_FALSE(form.IsCoffeeOpen());
    EXPECT_EQ(opened, std::vector<QUrl>{DonationPageUrl()});
    SetWebPageOpener({});

    // Not while the manual brush is in use: the real panel, over a picture.
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300, 0xFF808080u));
    form.ShowManualBrushFrame();
    ASSERT_TRUE(form.FManualBrushFrame);
    form.SpeedButton9Click();
    EXPECT_FALSE(form.IsCoffeeOpen());
    form.CloseManualBrushFrame();
    form.SpeedButton9Click();
    EXPECT_TRUE(form.IsCoffeeOpen());
}

// The wisps are soft: blurred, each stroke fades out over faint pixels on
// both sides (a sharp stroke has about one for every two drawn; blurred ones
// have more faint pixels than drawn ones).
TEST(CoffeePrompt, TheSteamWispsAreBlurred)
{
    KeyboardForm form;
    form.StartSteam(10000);
    auto* box = qobject_cast<TPaintBox*>(form.steam);
    ASSERT_TRUE(box);
    for (float progress : {0.0f, 0.3f, 0.7f}) {
        box->setProgress(progress);
        const QImage look = box->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        double drawn = 0; // in full pixels
        int faint = 0;
        for (int y = 0; y < look.height(); ++y)
            for (int x = 0; x < look.width(); ++x) {
                const int a = qAlpha(look.pixel(x, y));
                drawn += a / 255.0;
                faint += a > 0 && a < 12;
            }
        ASSERT_GT(drawn, 10) << progress;
        EXPECT_GT(faint, 1.2 * drawn) << progress;
    }
    form.StopSteam();
}

// The open prompt stays in the middle of the workspace whatever changes its
// size: the window, its maximise and the interface size.
TEST(CoffeePrompt, StaysCentredWhenTheWindowOrTheInterfaceSizeChanges)
{
    KeyboardForm form;
    form.SpeedButton9Click();
    ASSERT_TRUE(form.IsCoffeeOpen());
    const auto expectCentred = [&form](const char* after) {
        const QRect r = form.CoffeeRectangle->geometry();
        EXPECT_EQ(r.x(), (form.Layout2->width() - r.width()) / 2) << after;
        EXPECT_EQ(r.y(), (form.Layout2->height() - r.height()) / 2) << after;
    };
    form.resize(1100, 780);
    QApplication::processEvents();
    expectCentred("a smaller window");
    form.MaxButtonClick();
    QApplication::processEvents();
    expectCentred("maximise");
    form.MaxButtonClick();
    QApplication::processEvents();
    expectCentred("restore");
    for (double zoom : {1.25, 0.75, 1.0}) {
        form.ApplyUIZoom(zoom, false);
        QApplication::processEvents();
        EXPECT_EQ(form.CoffeeRectangle->width(), DpI(488)) << zoom;
        expectCentred("another interface size");
    }
}

TEST(CoffeePrompt, AConfirmCaptionTooLongScrollsAndComesBack)
{
    KeyboardForm form;
    form.SpeedButton9Click();
    EXPECT_EQ(form.CoffeeRectangle->findChild<QWidget*>(QStringLiteral("CoffeeBtnClip")), nullptr);
    form.CancelCoffeeButtonClick();
    const QString longCaption = QStringLiteral("         Offrez-moi un café bien chaud, s'il vous plaît");
    form.BuyCoffeeButton->setDisplayText(longCaption);
    form.SpeedButton9Click();
    EXPECT_NE(form.CoffeeRectangle->findChild<QWidget*>(QStringLiteral("CoffeeBtnClip")), nullptr);
    EXPECT_EQ(form.BuyCoffeeButton->text(), QString(9, u' '));
    form.CancelCoffeeButtonClick();
    EXPECT_EQ(form.BuyCoffeeButton->text(), longCaption);
    EXPECT_EQ(form.CoffeeRectangle->findChild<QWidget*>(QStringLiteral("CoffeeBtnClip")), nullptr);
}

} // namespace
} // namespace pv
