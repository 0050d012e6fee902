#include "shell/Splash.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(Splash, PartsFadeInThenTheWholePictureFadesOutBeforeTheHandOver)
{
    struct Case {
        double t;
        TSplashLook look;
    } cases[] = {
        {0.0, {1, 0, 0, 0, 0.4, 0, 2}},
        {0.1, {1, 0, 0, 0, 0.4, 0, 1.92}},
        {2.1, {1, 2.0 / 3.5, 0.4, 0.34, 0.88, 0.64, 0.32}},
        {3.6, {1, 1, 1, 0.85, 1, 0.8, 0}},
        {4.0, {1, 1, 1, 0.85, 1, 0.8, 0}},
        {4.75, {0.5, 1, 1, 0.85, 1, 0.8, 0}},
        {5.5, {0, 1, 1, 0.85, 1, 0.8, 0}},
        {9.0, {0, 1, 1, 0.85, 1, 0.8, 0}},
    };
    for (const Case& c : cases) {
        const TSplashLook l = SplashLookAt(c.t);
        EXPECT_NEAR(l.whole, c.look.whole, 1e-9) << c.t;
        EXPECT_NEAR(l.logo, c.look.logo, 1e-9) << c.t;
        EXPECT_NEAR(l.version, c.look.version, 1e-9) << c.t;
        EXPECT_NEAR(l.versionShadow, c.look.versionShadow, 1e-9) << c.t;
        EXPECT_NEAR(l.backSwirl, c.look.backSwirl, 1e-9) << c.t;
        EXPECT_NEAR(l.backShadow, c.look.backShadow, 1e-9) << c.t;
        EXPECT_NEAR(l.glowSoftness, c.look.glowSoftness, 1e-9) << c.t;
    }
}

QRgb At(const QImage& img, double x, double y) { return img.pixel(int(x * img.width() / 512), int(y * img.height() / 512)); }

TEST(Splash, ThePictureIsARoundedCardWithTheWordMarkAndVanishesAtTheEnd)
{
    TForm2 splash;
    double now = kSplashRestSeconds;
    splash.Clock = [&] { return now; };
    const QImage rest = splash.Grab();
    ASSERT_EQ(rest.size(), splash.size());
    EXPECT_EQ(qAlpha(At(rest, 1, 1)), 0) << "rounded corners";
    EXPECT_EQ(qAlpha(At(rest, 256, 60)), 255) << "the card";
    EXPECT_EQ(qAlpha(At(rest, 60, 256)), 255);
    // The word mark is light on the dark card.
    int light = 0;
    for (int x = 160; x < 360; ++x)
        light += qGray(At(rest, x, 380)) > 180;
    EXPECT_GT(light, 20);

    now = 0.0; // before the word mark comes in
    const QImage start = splash.Grab();
    int lightAtStart = 0;
    for (int x = 160; x < 360; ++x)
        lightAtStart += qGray(At(start, x, 380)) > 180;
    EXPECT_EQ(lightAtStart, 0);

    now = kSplashHandOverMs / 1000.0;
    const QImage end = splash.Grab();
    for (const QPoint p : {QPoint(256, 60), QPoint(256, 256), QPoint(256, 380)})
        EXPECT_EQ(qAlpha(At(end, p.x(), p.y())), 0);
}

struct HandOver {
    TForm2 splash;
    QWidget main;
    int handOvers = 0;
    HandOver()
    {
        splash.Timer1.setInterval(150);
        splash.OnHandOver = [this] {
            ++handOvers;
            main.show();
        };
    }
    void WaitForHandOver()
    {
        QElapsedTimer t;
        t.start();
        while (handOvers == 0 && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

TEST(Splash, WithoutInputTheMainWindowTakesOverOnTime)
{
    HandOver h;
    EXPECT_EQ(kSplashHandOverMs, 5500);
    h.splash.show();
    EXPECT_TRUE(h.splash.Timer1.isActive());
    h.WaitForHandOver();
    EXPECT_EQ(h.handOvers, 1);
    EXPECT_TRUE(h.main.isVisible());
    EXPECT_FALSE(h.splash.isVisible());
}

TEST(Splash, EscOrAClickHideItAtOnceAndTheHandOverStillComes)
{
    for (const bool click : {false, true}) {
        HandOver h;
        h.splash.show();
        if (click) {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 200), QPointF(200, 200), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&h.splash, &press);
        } else {
            QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
            QCoreApplication::sendEvent(&h.splash, &other);
            EXPECT_TRUE(h.splash.isVisible()) << "other keys are ignored";
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&h.splash, &esc);
        }
        EXPECT_FALSE(h.splash.isVisible()) << click;
        EXPECT_FALSE(h.main.isVisible());
        h.WaitForHandOver();
        EXPECT_EQ(h.handOvers, 1) << click;
        EXPECT_TRUE(h.main.isVisible());
        EXPECT_FALSE(h.splash.isVisible());
    }
}

TEST(Splash, AHandOverDueBeforeTheMainWindowIsBoundComesWhenItIsBound)
{
    // A message box during the start (a font that cannot be registered) can
    // hold the program past the hand-over time.
    TForm2 splash;
    QWidget main;
    int handOvers = 0;
    splash.Timer1.setInterval(50);
    splash.show();
    QElapsedTimer t;
    t.start();
    while (splash.Timer1.isActive() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_FALSE(splash.Timer1.isActive());
    EXPECT_FALSE(splash.isVisible());
    splash.BindHandOver([&] {
        ++handOvers;
        main.show();
    });
    EXPECT_EQ(handOvers, 1);
    EXPECT_TRUE(main.isVisible());
    // Bound in time, the hand-over waits for its timer.
    TForm2 onTime;
    int onTimeHandOvers = 0;
    onTime.BindHandOver([&] { ++onTimeHandOvers; });
    EXPECT_EQ(onTimeHandOvers, 0);
}

TEST(Splash, LosingTheFocusHidesIt)
{
    HandOver h;
    h.splash.Timer1.setInterval(3000);
    h.splash.show();
    h.splash.activateWindow();
    QElapsedTimer t;
    t.start();
    while (!h.splash.isActiveWindow() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_TRUE(h.splash.isActiveWindow());
    QWidget other;
    other.show();
    other.activateWindow();
    t.restart();
    while (h.splash.isVisible() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_FALSE(h.splash.isVisible());
    EXPECT_EQ(h.handOvers, 0);
    h.WaitForHandOver();
    EXPECT_TRUE(h.main.isVisible());
}

} // namespace
} // namespace pv
