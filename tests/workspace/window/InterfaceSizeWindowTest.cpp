#include "FormFixture.h"

#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/InterfaceSize.h"
#include "shell/Settings.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <cmath>
#include <vector>
#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace pv::test;

void Key(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

TEST(InterfaceSizeWindow, TheSliderAppliesAndStoresEscPutsBothBack)
{
    SetSetting(QStringLiteral("uizoom"), QStringLiteral("100"));
    RecordingForm form;
    form.resize(1400, 1000);
    form.show();
    const int panelWidth = form.Layout2->x();
    Key(&form, Qt::Key_Z);
    ASSERT_TRUE(form.IsUIZoomWindowOpen());
    EXPECT_EQ(form.UIZoomWindow->size(), QSize(320, 132));

    form.UIZoomTrackBar->setValue(80); // 130 %
    EXPECT_DOUBLE_EQ(UiZoom(), 1.3);
    EXPECT_EQ(GetSetting(QStringLiteral("uizoom")), QStringLiteral("130"));
    EXPECT_EQ(form.UIZoomWindow->size(), QSize(416, 172)) << "open windows follow the size";
    EXPECT_GT(form.Layout2->x(), panelWidth);

    Key(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.IsUIZoomWindowOpen());
    EXPECT_DOUBLE_EQ(UiZoom(), 1.0);
    EXPECT_EQ(GetSetting(QStringLiteral("uizoom")), QStringLiteral("100"));
    EXPECT_EQ(form.Layout2->x(), panelWidth);
    EXPECT_EQ(form.UIZoomWindow->size(), QSize(320, 132));
}

TEST(InterfaceSizeWindow, OkWithoutAMoveWritesNothingAndOkAfterOneKeepsIt)
{
    SetSetting(QStringLiteral("uizoom"), {});
    RecordingForm form;
    form.show();
    form.ShowUIZoomWindow();
    form.UIZoomOKClick();
    EXPECT_FALSE(form.IsUIZoomWindowOpen());
    EXPECT_EQ(GetSetting(QStringLiteral("uizoom"), QStringLiteral("unset")), QStringLiteral("unset"));

    form.ShowUIZoomWindow();
    form.UIZoomTrackBar->setValue(25); // 75 %
    Key(&form, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(UiZoom(), 0.75);
    EXPECT_EQ(GetSetting(QStringLiteral("uizoom")), QStringLiteral("75"));
    form.ApplyUIZoom(1.0, true);
    EXPECT_DOUBLE_EQ(UiZoom(), 1.0);
    EXPECT_EQ(GetSetting(QStringLiteral("uizoom")), QStringLiteral("100"));
}

// The slider moves the size in steps of 5 %: a dragged thumb lands on the
// nearest step, the arrow keys go to the next step on their side.
TEST(InterfaceSizeWindow, TheSliderStepsFivePercent)
{
    SetSetting(QStringLiteral("uizoom"), QStringLiteral("100"));
    RecordingForm form;
    form.resize(1400, 1000);
    form.show();
    struct Case {
        int from;        // percent at the start
        double at;       // a click on the track at this share of it, or
        int key;         // this key
        int want;        // percent after it
    };
    const Case cases[] = {
        {100, 0.33, 0, 85},  {100, 0.71, 0, 120},         {100, 0.02, 0, 50},          {100, 0.99, 0, 150},
        {100, 0, Qt::Key_Right, 105}, {100, 0, Qt::Key_Left, 95}, {86, 0, Qt::Key_Right, 90},
        {86, 0, Qt::Key_Left, 85},    {150, 0, Qt::Key_Up, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " " << c.at << " " << c.key);
        form.ApplyUIZoom(c.from / 100.0, false);
        form.ShowUIZoomWindow();
        TSlider* slider = form.UIZoomTrackBar;
        if (c.key) {
            Key(slider, c.key);
        } else {
            const double inset = Dp(8);
            const QPointF at(inset + c.at * (slider->width() - 2 * inset), slider->height() / 2.0);
            SendMouse(slider, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            SendMouse(slider, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        }
        EXPECT_EQ(std::lround(50 + slider->value()), c.want);
        EXPECT_EQ(UIZoomPercent(UiZoom()), c.want);
        form.UIZoomOKClick();
    }
    form.ApplyUIZoom(1.0, false);
}

// Under the mouse the close box fills red and its cross turns white.
TEST(InterfaceSizeWindow, TheCloseBoxFillsRedUnderTheMouse)
{
    RecordingForm form;
    form.resize(1400, 1000);
    form.show();
    form.ShowUIZoomWindow();
    QWidget* close = form.UIZoomWindow->childAt(DpI(300), DpI(18));
    ASSERT_TRUE(close);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(close, &enter);
    const QImage look = form.UIZoomWindow->grab(QRect(DpI(288), DpI(6), DpI(24), DpI(24))).toImage();
    EXPECT_EQ(look.pixel(DpI(4), DpI(12)), 0xFFFF0000u) << "a red fill";
    const QRgb cross = look.pixel(DpI(12), DpI(12));
    EXPECT_TRUE(qRed(cross) > 240 && qGreen(cross) > 240 && qBlue(cross) > 240) << "a white cross " << std::hex << cross;
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(close, &leave);
    const QImage rest = form.UIZoomWindow->grab(QRect(DpI(288), DpI(6), DpI(24), DpI(24))).toImage();
    const QRgb panel = form.UIZoomWindow->grab(QRect(DpI(280), DpI(8), 1, 1)).toImage().pixel(0, 0);
    EXPECT_EQ(rest.pixel(DpI(4), DpI(12)), panel) << "no fill at rest";
    form.UIZoomCloseClick();
}

// Every control's place and size in the window, by name and kind.
std::vector<std::pair<QString, QRect>> Geometries(QWidget& form)
{
    std::vector<std::pair<QString, QRect>> all;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (!w->isWindow() && w->isVisibleTo(&form))
            all.emplace_back(w->objectName() + QLatin1Char('/') + QLatin1String(w->metaObject()->className()),
                             QRect(w->mapTo(&form, QPoint(0, 0)), w->size()));
    return all;
}

// A window shown at a size, settled (the start-up opens a category with an
// animation).
void ShowSettled(RecordingForm& form)
{
    ShowRestored(form);
    form.resize(1080, 768);
    QElapsedTimer settle;
    settle.start();
    WaitUntil([&] { return settle.elapsed() > 800; });
}

void ExpectSameGeometries(const std::vector<std::pair<QString, QRect>>& want,
                          const std::vector<std::pair<QString, QRect>>& got, int tolerance, double share = 0)
{
    // Lengths summed from rounded parts may differ by a share of their size.
    const auto near = [tolerance, share](int a, int b) { return std::abs(a - b) <= tolerance + share * std::abs(a); };
    ASSERT_EQ(got.size(), want.size());
    int moved = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        const QRect& a = want[i].second;
        const QRect& b = got[i].second;
        const bool same =
            near(a.x(), b.x()) && near(a.y(), b.y()) && near(a.width(), b.width()) && near(a.height(), b.height());
        if (!same && ++moved <= 20)
            ADD_FAILURE() << want[i].first.toStdString() << " should be at " << a.x() << "," << a.y() << " "
                          << a.width() << "x" << a.height() << ", is at " << b.x() << "," << b.y() << " " << b.width()
                          << "x" << b.height();
    }
    EXPECT_EQ(moved, 0);
}

// Going to another size and back puts every control of the window where it
// was, whatever the sizes in between (also a step at a time, as the slider
// goes): nothing drifts or grows on the way.
TEST(InterfaceSizeWindow, ASizeAndBackPutsEveryControlWhereItWas)
{
    RecordingForm form;
    ShowSettled(form);
    const double start = UiZoom();
    const auto before = Geometries(form);
    for (double zoom : {0.75, 1.3, 0.5, 0.86})
        form.ApplyUIZoom(zoom, false);
    for (int percent = 85; percent >= 75; --percent)
        form.ApplyUIZoom(percent / 100.0, false);
    for (int percent = 76; percent <= 90; ++percent)
        form.ApplyUIZoom(percent / 100.0, false);
    form.ApplyUIZoom(start, false);
    QCoreApplication::processEvents();
    ExpectSameGeometries(before, Geometries(form), 1);
}

// A window taken to a size looks as one started at that size.
TEST(InterfaceSizeWindow, AWindowTakenToASizeMatchesOneStartedAtIt)
{
    for (double zoom : {0.75, 1.25}) {
        SCOPED_TRACE(zoom);
        std::vector<std::pair<QString, QRect>> fresh;
        {
            const double start = UiZoom();
            SetUiZoom(zoom);
            RecordingForm started;
            ShowSettled(started);
            fresh = Geometries(started);
            SetUiZoom(start);
        }
        RecordingForm form;
        ShowSettled(form);
        form.ApplyUIZoom(zoom, false);
        QCoreApplication::processEvents();
        ExpectSameGeometries(fresh, Geometries(form), 2, 0.01);
        form.ApplyUIZoom(1.0, false);
    }
}

} // namespace
} // namespace pv
