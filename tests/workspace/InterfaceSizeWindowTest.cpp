#include "FormFixture.h"

#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/U_Settings.h"

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

// Going to another size and back puts every control of the window where it
// was, whatever the sizes in between: nothing drifts or grows on the way.
TEST(InterfaceSizeWindow, ASizeAndBackPutsEveryControlWhereItWas)
{
    SetSetting(QStringLiteral("uizoom"), QStringLiteral("86"));
    RecordingForm form;
    form.show();
    WaitUntil([&] { return !form.InitializationTimer.isActive(); });
    form.MaxButtonClick();
    form.resize(1080, 768);
    QElapsedTimer settle; // the start-up opens a category with an animation
    settle.start();
    WaitUntil([&] { return settle.elapsed() > 800; });
    const double start = UiZoom();
    const auto geometries = [&form] {
        std::vector<std::pair<QString, QRect>> all;
        for (QWidget* w : form.findChildren<QWidget*>())
            if (!w->isWindow() && w->isVisibleTo(&form))
                all.emplace_back(w->objectName() + QLatin1Char('/') + QLatin1String(w->metaObject()->className()),
                                 QRect(w->mapTo(&form, QPoint(0, 0)), w->size()));
        return all;
    };
    const auto before = geometries();
    for (double zoom : {0.75, 1.3, 0.5, 0.86})
        form.ApplyUIZoom(zoom, false);
    form.ApplyUIZoom(start, false);
    QCoreApplication::processEvents();
    const auto after = geometries();
    ASSERT_EQ(after.size(), before.size());
    int moved = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        const QRect& a = before[i].second;
        const QRect& b = after[i].second;
        const bool same = std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 &&
                          std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
        if (!same && ++moved <= 20)
            ADD_FAILURE() << before[i].first.toStdString() << " was at " << a.x() << "," << a.y() << " " << a.width()
                          << "x" << a.height() << ", is at " << b.x() << "," << b.y() << " " << b.width() << "x"
                          << b.height();
    }
    EXPECT_EQ(moved, 0);
}

} // namespace
} // namespace pv
