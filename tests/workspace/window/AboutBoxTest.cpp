#include "FormFixture.h"

#include "overlays/AboutPanel.h"
#include "overlays/OverlayHost.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/SplashArt.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::RecordingForm;
using test::SendMouse;

void Click(QWidget* w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    SendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

TEST(AboutBox, TheLogoShowsTheSplashPictureInsideTheWindowUntilClickOrEsc)
{
    RecordingForm form;
    form.show();
    form.activateWindow();
    QApplication::processEvents();
    for (const bool byKey : {false, true}) {
        Click(form.PVLogo);
        ASSERT_TRUE(form.IsAboutBoxOpen()) << byKey;
        QWidget* about = form.ActiveOverlayFrame();
        EXPECT_EQ(about->size(), QSize(DpI(kSplashSize), DpI(kSplashSize)));
        EXPECT_EQ(about->geometry().center(), form.layOverlayContainer->rect().center());
        // The picture at rest: the card is drawn fully opaque.
        const QImage shown = about->grab().toImage();
        EXPECT_EQ(qAlpha(shown.pixel(shown.width() / 2, shown.height() / 8)), 255);
        if (byKey) {
            QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(to, &esc);
        } else {
            Click(about);
        }
        test::WaitUntil([&] { return !form.IsAboutBoxOpen(); });
        EXPECT_FALSE(form.IsAboutBoxOpen()) << byKey;
        EXPECT_FALSE(form.layOverlayContainer->isVisible());
    }
}

TEST(AboutBox, TheWindowLosingTheFocusClosesIt)
{
    RecordingForm form;
    form.show();
    form.activateWindow();
    test::WaitUntil([&] { return form.isActiveWindow(); });
    form.PVLogoClick();
    ASSERT_TRUE(form.IsAboutBoxOpen());
    QWidget other;
    other.show();
    other.activateWindow();
    test::WaitUntil([&] { return !form.IsAboutBoxOpen(); });
    EXPECT_FALSE(form.IsAboutBoxOpen());
}

TEST(AboutBox, AnOpenToolPanelKeepsTheLayer)
{
    RecordingForm form;
    form.show();
    ASSERT_TRUE(test::OpenFlatPicture(form, 40, 30));
    form.ShowResizeFrame();
    QWidget* panel = form.ActiveOverlayFrame();
    ASSERT_TRUE(panel);
    form.PVLogoClick();
    EXPECT_EQ(form.ActiveOverlayFrame(), panel);
    EXPECT_FALSE(form.IsAboutBoxOpen());
}

} // namespace
} // namespace pv
