#include "FormFixture.h"

#include "engine/ImageHistory.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/InterfaceSize.h"
#include "shell/WindowChrome.h"

#include <QScreen>
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::RecordingForm;
using test::SendMouse;

void Click(QWidget* w, Qt::MouseButton button)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    SendMouse(w, QEvent::MouseButtonPress, at, button, button);
    SendMouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

TEST(TitleBar, TheWindowStartsMaximisedAndRestoresToNinetyPercentOfTheWorkArea)
{
    RecordingForm form;
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    form.show();
    const QRect work = form.screen()->availableGeometry();
    EXPECT_TRUE(form.IsCustomMaximized());
    EXPECT_EQ(form.geometry(), work);
    EXPECT_EQ(form.minimumSize(), MinimumWindowSize(work.size()));
    // The deferred start-up keeps it maximised and remembers where to restore to.
    test::WaitUntil([&] { return !form.InitializationTimer.isActive(); });
    EXPECT_EQ(form.geometry(), work);

    Click(form.MaxSpeedButton, Qt::LeftButton);
    EXPECT_FALSE(form.IsCustomMaximized());
    EXPECT_EQ(form.geometry(), StartupRestoreRect(work, form.minimumSize()));
    Click(form.MaxSpeedButton, Qt::LeftButton);
    EXPECT_TRUE(form.IsCustomMaximized());
    EXPECT_EQ(form.geometry(), work);

    // The title buttons stand at the right end of the bar, the zoom row and
    // the theme icon left of them.
    EXPECT_EQ(form.CloseSpeedButton->geometry().right(), form.ProgramBarRect->width() - DpI(5) - 1);
    EXPECT_EQ(form.MaxSpeedButton->x(), form.CloseSpeedButton->x() - DpI(40));
    EXPECT_EQ(form.MinSpeedButton->x(), form.MaxSpeedButton->x() - DpI(40));
    EXPECT_LT(form.SpeedButton12->geometry().right(), form.MinSpeedButton->x());

    // Restored, the edges resize the window; a new interface size scales the
    // controls but leaves the handles on the window's edges.
    form.MaxButtonClick();
    form.ApplyUIZoom(0.75, false);
    for (TResizeRole role : {TResizeRole::Right, TResizeRole::Bottom, TResizeRole::BottomRight}) {
        QWidget* handle = form.FChrome->Handle(role);
        EXPECT_TRUE(handle->isVisible());
        EXPECT_EQ(handle->geometry(), FrameHandleRect(role, form.size())) << int(role);
    }
    form.ApplyUIZoom(1.0, false);
}

TEST(TitleBar, CloseAsksAboutUnsavedWorkAndItsRightButtonResets)
{
    RecordingForm form;
    form.show();
    ASSERT_TRUE(test::OpenFlatPicture(form, 40, 30));
    form.FImageDirty = true;

    // The right button: the full reset, which asks first about the unsaved result.
    form.answer = false;
    Click(form.CloseSpeedButton, Qt::RightButton);
    ASSERT_EQ(form.questions.size(), 1u);
    EXPECT_TRUE(form.questions[0].contains(QStringLiteral("full reset")));
    EXPECT_TRUE(form.FSkImage);
    EXPECT_TRUE(form.isVisible());

    // The left button closes, asking about the unsaved result; No keeps all.
    Click(form.CloseSpeedButton, Qt::LeftButton);
    ASSERT_EQ(form.questions.size(), 2u);
    EXPECT_TRUE(form.questions[1].contains(QStringLiteral("Exit anyway?")));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.FSkImage);

    form.answer = true;
    form.SpeedButton23MouseUp(Qt::RightButton);
    EXPECT_FALSE(form.FSkImage);
    EXPECT_EQ(form.History->Count(), 0);
    Click(form.CloseSpeedButton, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

// While the window is pressed, moved or resized its body takes the pressed
// colour; let go, it rests again. The window manager's own move or resize
// keeps the release to itself: the body rests once no button is held.
TEST(TitleBar, TheBodyTakesThePressedColourWhileTheWindowIsHeldMovedOrResized)
{
    RecordingForm form;
    test::ShowRestored(form);
    form.FChrome->SetMoveDelay(20);
    const TAlphaColor rest = BodyColour(false);
    ASSERT_EQ(form.Body->fillColour(), rest);
    EXPECT_EQ(BodyColour(true), 0xFF5E6B7Du) << "the light veil over the dark body";
    // A bare spot of the body: the gap between the left panel and the workspace.
    const QPointF bare(form.Layout2->x() - DpI(6), form.Layout2->y() + DpI(100));
    ASSERT_EQ(form.Body->childAt(bare.toPoint()), nullptr);
    QWidget* grip = form.FChrome->Handle(TResizeRole::BottomRight);
    struct Case {
        const char* what;
        QWidget* target;
        QPointF at;
        Qt::MouseButton button;
        bool moves;         // held until the window moves, then moved
        bool windowManager; // the window manager moves or resizes
    };
    const Case cases[] = {
        {"a press on the strip", form.ProgramBarRect, QPointF(DpI(600), DpI(20)), Qt::LeftButton, false, false},
        {"a right press on the body", form.Body, bare, Qt::RightButton, false, false},
        {"a move from the strip", form.ProgramBarRect, QPointF(DpI(600), DpI(20)), Qt::LeftButton, true, false},
        {"a move from the body", form.Body, bare, Qt::LeftButton, true, false},
        {"a resize from a grip", grip, {5, 5}, Qt::LeftButton, true, false},
        {"the window manager's move", form.ProgramBarRect, QPointF(DpI(600), DpI(20)), Qt::LeftButton, true, true},
        {"the window manager's resize", grip, {5, 5}, Qt::LeftButton, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The colour the body shows as the window manager takes over.
        bool asked = false;
        TAlphaColor handedOver = 0;
        const auto ask = [&] {
            asked = true;
            handedOver = form.Body->fillColour();
            return c.windowManager;
        };
        form.FChrome->StartSystemMove = ask;
        form.FChrome->StartSystemResize = [&](Qt::Edges) { return ask(); };
        SendMouse(c.target, QEvent::MouseButtonPress, c.at, c.button, c.button);
        EXPECT_EQ(form.Body->fillColour(), BodyColour(true));
        if (c.moves) {
            if (c.windowManager)
                test::WaitUntil([&] { return asked; });
            else if (c.target != grip)
                test::WaitUntil([&] { return form.FChrome->IsMoving(); });
            if (!c.windowManager)
                SendMouse(c.target, QEvent::MouseMove, c.at + QPointF(8, 6), Qt::NoButton, c.button);
            EXPECT_EQ(c.windowManager ? handedOver : form.Body->fillColour(), BodyColour(true)) << "moving";
        }
        if (c.windowManager) {
            test::WaitUntil([&] { return !form.FChrome->IsPressed(); });
        } else {
            SendMouse(c.target, QEvent::MouseButtonRelease, c.at + QPointF(8, 6), c.button, Qt::NoButton);
        }
        EXPECT_EQ(form.Body->fillColour(), rest);
    }
}

} // namespace
} // namespace pv
