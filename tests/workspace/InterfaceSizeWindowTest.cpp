#include "FormFixture.h"

#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/U_Settings.h"

#include <QKeyEvent>
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

} // namespace
} // namespace pv
