#include "shell/WindowChrome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace pv {
namespace {

using R = TResizeRole;

TEST(WindowChrome, HandlesLieOnTheEdgesWithTheCornersFirst)
{
    const QSize window(1000, 700);
    struct Case {
        QPoint at;
        R role;
    } cases[] = {
        {{0, 0}, R::TopLeft},        {{13, 13}, R::TopLeft},     {{14, 0}, R::Top},
        {{500, 4}, R::Top},          {{500, 5}, R::None},        {{999, 0}, R::TopRight},
        {{986, 13}, R::TopRight},    {{999, 300}, R::Right},     {{995, 300}, R::Right},
        {{994, 300}, R::None},       {{0, 350}, R::Left},        {{4, 685}, R::Left},
        {{0, 699}, R::BottomLeft},   {{500, 695}, R::Bottom},    {{999, 699}, R::BottomRight},
        {{500, 350}, R::None},       {{-1, 350}, R::None},       {{1000, 350}, R::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitTestFrame(window, c.at), c.role) << c.at.x() << "," << c.at.y();

    EXPECT_EQ(FrameHandleRect(R::Top, window), QRect(14, 0, 972, 5));
    EXPECT_EQ(FrameHandleRect(R::BottomRight, window), QRect(986, 686, 14, 14));
    EXPECT_EQ(EdgesOf(R::TopLeft), Qt::TopEdge | Qt::LeftEdge);
    EXPECT_EQ(EdgesOf(R::Bottom), Qt::Edges(Qt::BottomEdge));
    EXPECT_EQ(CursorOf(R::Top), Qt::SizeVerCursor);
    EXPECT_EQ(CursorOf(R::Left), Qt::SizeHorCursor);
    EXPECT_EQ(CursorOf(R::BottomRight), Qt::SizeFDiagCursor);
    EXPECT_EQ(CursorOf(R::TopRight), Qt::SizeBDiagCursor);
}

TEST(WindowChrome, DraggedSidesFollowTheMouseAndStopAtTheMinimumSize)
{
    const QRect start(100, 100, 1200, 900); // right 1300, bottom 1000
    const QSize minimum(1080, 768);
    struct Case {
        R role;
        QPoint delta;
        QRect target;
    } cases[] = {
        {R::Right, {50, 30}, {100, 100, 1250, 900}},
        {R::Right, {-500, 0}, {100, 100, 1080, 900}},
        {R::Left, {-40, 30}, {60, 100, 1240, 900}},
        {R::Left, {500, 0}, {220, 100, 1080, 900}}, // pinned at right - minimum width
        {R::Top, {0, -20}, {100, 80, 1200, 920}},
        {R::Bottom, {0, -400}, {100, 100, 1200, 768}},
        {R::TopLeft, {600, 600}, {220, 232, 1080, 768}}, // both pinned
        {R::TopRight, {10, -10}, {100, 90, 1210, 910}},
        {R::BottomLeft, {-10, 10}, {90, 100, 1210, 910}},
        {R::BottomRight, {-1000, -1000}, {100, 100, 1080, 768}},
        {R::None, {50, 50}, start},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResizeTargetRect(c.role, start, c.delta, minimum), c.target) << int(c.role);
}

TEST(WindowChrome, RestoreAndStartupBoundsComeFromTheWorkArea)
{
    const QRect work(0, 0, 1920, 1040);
    // Usable remembered bounds are used; anything 100 or less in either
    // dimension gives the work area inset by 50.
    EXPECT_EQ(RestoreGeometry({10, 20, 800, 600}, work), QRect(10, 20, 800, 600));
    EXPECT_EQ(RestoreGeometry({10, 20, 800, 100}, work), QRect(50, 50, 1820, 940));
    EXPECT_EQ(RestoreGeometry({}, work), QRect(50, 50, 1820, 940));

    struct Case {
        QRect work;
        QSize minimum;
        QRect restore;
    } cases[] = {
        {{0, 0, 1920, 1040}, {1080, 768}, {96, 52, 1728, 936}},
        {{0, 0, 1000, 700}, {984, 684}, {8, 8, 984, 684}}, // raised to the minimum
        {{0, 0, 1000, 700}, {1200, 800}, {0, 0, 1000, 700}}, // lowered to the work area
        {{100, 30, 1600, 1000}, {1080, 768}, {180, 80, 1440, 900}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartupRestoreRect(c.work, c.minimum), c.restore) << c.work.width() << "x" << c.work.height();

    // A normal window that does not fit a new work area shrinks to 98 % of
    // it, centred; one that fits stays as it is.
    EXPECT_EQ(FitWindowToWorkArea({0, 0, 1900, 1000}, {0, 0, 1280, 800}), QRect(13, 8, 1254, 784));
    EXPECT_EQ(FitWindowToWorkArea({5, 5, 1200, 700}, {0, 0, 1280, 800}), QRect(5, 5, 1200, 700));
}

void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// The mouse at a screen position, wherever the window has gone meanwhile.
void SendGlobal(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Waits (a few seconds at most) for the held strip to start the move.
bool WaitForMove(const TWindowChrome& chrome)
{
    QElapsedTimer t;
    t.start();
    while (!chrome.IsMoving() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return chrome.IsMoving();
}

// A frameless window whose chrome has no window manager to ask.
struct ChromeFixture {
    QWidget window;
    QWidget* strip = new QWidget(&window);
    TWindowChrome* chrome = new TWindowChrome(&window);
    ChromeFixture()
    {
        chrome->StartSystemMove = [] { return false; };
        chrome->StartSystemResize = [](Qt::Edges) { return false; };
        chrome->SetMoveDelay(30);
        chrome->SetDragStrip(strip);
        window.setMinimumSize(300, 200);
        window.setGeometry(100, 100, 500, 400);
        strip->setGeometry(0, 0, 500, 25);
        window.show();
    }
};

TEST(WindowChrome, WithoutAWindowManagerTheChromeMovesAndResizesTheWindow)
{
    ChromeFixture f;
    EXPECT_TRUE(f.window.windowFlags() & Qt::FramelessWindowHint);
    // Held shorter than the delay: the window does not move.
    Send(f.strip, QEvent::MouseButtonPress, {100, 10}, Qt::LeftButton, Qt::LeftButton);
    Send(f.strip, QEvent::MouseButtonRelease, {100, 10}, Qt::LeftButton, Qt::NoButton);
    Wait(60);
    Send(f.strip, QEvent::MouseMove, {160, 50}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f.window.pos(), QPoint(100, 100));

    // Held longer: the window follows the mouse.
    const QPoint g = f.strip->mapToGlobal(QPoint(100, 10));
    SendGlobal(f.strip, QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(WaitForMove(*f.chrome));
    SendGlobal(f.strip, QEvent::MouseMove, g + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.window.pos(), QPoint(130, 140));
    SendGlobal(f.strip, QEvent::MouseButtonRelease, g + QPoint(50, 50), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.window.pos(), QPoint(150, 150));
    EXPECT_FALSE(f.chrome->IsMoving());

    // The top-left grip: left and top follow, pinned by the minimum size.
    QWidget* grip = f.chrome->Handle(R::TopLeft);
    ASSERT_TRUE(grip);
    EXPECT_EQ(grip->geometry(), QRect(0, 0, 14, 14));
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeFDiagCursor);
    const QPoint g0 = grip->mapToGlobal(QPoint(5, 5));
    SendGlobal(grip, QEvent::MouseButtonPress, g0, Qt::LeftButton, Qt::LeftButton);
    SendGlobal(grip, QEvent::MouseMove, g0 + QPoint(-20, -10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.window.geometry(), QRect(130, 140, 520, 410));
    SendGlobal(grip, QEvent::MouseButtonRelease, g0 + QPoint(400, 400), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.window.geometry(), QRect(350, 350, 300, 200));
    // The handles follow the new size.
    EXPECT_EQ(f.chrome->Handle(R::BottomRight)->geometry(), QRect(286, 186, 14, 14));
}

TEST(WindowChrome, ADoubleClickMaximisesOntoTheWorkAreaAndRestores)
{
    ChromeFixture f;
    const QRect before = f.window.geometry();
    Send(f.strip, QEvent::MouseButtonPress, {100, 10}, Qt::LeftButton, Qt::LeftButton);
    Send(f.strip, QEvent::MouseButtonRelease, {100, 10}, Qt::LeftButton, Qt::NoButton);
    Send(f.strip, QEvent::MouseButtonDblClick, {100, 10}, Qt::LeftButton, Qt::LeftButton);
    Send(f.strip, QEvent::MouseButtonRelease, {100, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(f.chrome->IsCustomMaximized());
    EXPECT_EQ(f.window.geometry(), f.chrome->WorkArea());
    EXPECT_EQ(f.chrome->RestoreBounds(), before);
    // A maximised window is not resized by its edges.
    EXPECT_TRUE(f.chrome->Handle(R::Left)->isHidden());
    Wait(60);
    EXPECT_FALSE(f.chrome->IsMoving()); // the double click did not start a move

    f.chrome->MaxButtonClick();
    EXPECT_FALSE(f.chrome->IsCustomMaximized());
    EXPECT_EQ(f.window.geometry(), before);
    EXPECT_FALSE(f.chrome->Handle(R::Left)->isHidden());

    // Nothing usable remembered: the work area inset by 50.
    f.chrome->MaxButtonClick();
    f.chrome->SetRestoreBounds({});
    f.chrome->MaxButtonClick();
    EXPECT_EQ(f.window.geometry(), f.chrome->WorkArea().adjusted(50, 50, -50, -50));
}

TEST(WindowChrome, AMaximisedWindowDraggedAwayGoesBackOntoTheWorkArea)
{
    ChromeFixture f;
    f.chrome->MaxButtonClick();
    Send(f.strip, QEvent::MouseButtonPress, {100, 10}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(WaitForMove(*f.chrome));
    Send(f.strip, QEvent::MouseMove, {160, 60}, Qt::NoButton, Qt::LeftButton);
    EXPECT_NE(f.window.geometry(), f.chrome->WorkArea());
    Send(f.strip, QEvent::MouseButtonRelease, {160, 60}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(f.chrome->IsCustomMaximized());
    EXPECT_EQ(f.window.geometry(), f.chrome->WorkArea());
}

} // namespace
} // namespace pv
