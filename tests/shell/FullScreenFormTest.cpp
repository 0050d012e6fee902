#include "shell/FullScreenForm.h"

#include "platform/graphics/SkImage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace pv {
namespace {

ISkImage Flat(QColor colour, int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return SkImage::MakeFromQImage(image);
}

TEST(FullScreenFormTest, PictureFitsTheScreenLessTheMarginCentredOnTheScreen)
{
    struct Case {
        int w, h;
        QRectF expected;
    } cases[] = {
        {4000, 1000, {50, 312.5, 1820, 455}}, // width limits
        {100, 100, {470, 50, 980, 980}},      // enlarged to the height minus 100
        {1000, 4000, {837.5, 50, 245, 980}},  // height limits
        {0, 100, {}},
    };
    const QRectF screen(0, 0, 1920, 1080);
    for (const Case& c : cases) {
        const QRectF r = FullScreenTargetRect(screen, c.w, c.h);
        EXPECT_NEAR(r.x(), c.expected.x(), 1e-3) << c.w << "x" << c.h;
        EXPECT_NEAR(r.y(), c.expected.y(), 1e-3);
        EXPECT_NEAR(r.width(), c.expected.width(), 1e-3);
        EXPECT_NEAR(r.height(), c.expected.height(), 1e-3);
    }
}

TEST(FullScreenFormTest, DrawsThePictureOnWhiteWithAShadowBelowIt)
{
    // 400 x 300 area, 100 x 50 picture: scaled by 3 to 300 x 150 at (50, 75).
    const QImage frame =
        RenderFullScreenFrame(Flat(Qt::red, 100, 50), QSize(400, 300), SkSamplingOptions::CatmullRom());
    EXPECT_EQ(frame.pixel(5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(200, 150), qRgb(255, 0, 0));
    const int below = qGray(frame.pixel(200, 240)); // 15 under the bottom edge
    const int above = qGray(frame.pixel(200, 60));  // 15 over the top edge
    EXPECT_LT(below, 235);
    EXPECT_LT(below, above);
    EXPECT_EQ(RenderFullScreenFrame(nullptr, QSize(40, 30), SkSamplingOptions::CatmullRom()).pixel(20, 15),
              qRgb(255, 255, 255));
}

TEST(FullScreenFormTest, KeyReleaseOrClickClosesButAKeyPressOrAHeldKeyDoesNot)
{
    for (const bool byKey : {true, false}) {
        TFullScreenForm form(nullptr, Flat(Qt::red, 10, 10));
        form.setGeometry(0, 0, 320, 200);
        form.show();
        QApplication::processEvents();
        ASSERT_TRUE(form.isVisible());
        if (byKey) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(form.FPB, &press);
            EXPECT_TRUE(form.isVisible());
            // Holding the key: the system repeats it as release and press pairs.
            for (int i = 0; i < 3; ++i) {
                QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(form.FPB, &repeatRelease);
                QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(form.FPB, &repeatPress);
            }
            EXPECT_TRUE(form.isVisible()) << "a held key keeps the viewer open";
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(form.FPB, &release);
        } else {
            const QPointF at(30, 30);
            QMouseEvent press(QEvent::MouseButtonPress, at, form.FPB->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form.FPB, &press);
            EXPECT_TRUE(form.isVisible());
            QMouseEvent release(QEvent::MouseButtonRelease, at, form.FPB->mapToGlobal(at), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(form.FPB, &release);
        }
        EXPECT_FALSE(form.isVisible()) << byKey;
    }
}

} // namespace
} // namespace pv
