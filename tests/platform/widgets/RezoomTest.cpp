#include "platform/widgets/Control.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/Rezoom.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace pv {
namespace {

TEST(Rezoom, GeometryAndFontsFollowTheZoomAndComeBackExactly)
{
    QWidget root;
    root.setGeometry(0, 0, 800, 600);
    QWidget panel(&root);
    panel.setGeometry(21, 33, 369, 211);
    TLabel label(QStringLiteral("Interface size"), &panel);
    label.setGeometry(24, 16, 321, 129);
    label.setFontSize(14);
    ASSERT_EQ(label.font().pixelSize(), 14);

    RezoomWidgetTree(&root, 1.0, 0.75);
    EXPECT_EQ(root.geometry(), QRect(0, 0, 800, 600));
    EXPECT_EQ(panel.geometry(), QRect(16, 25, 277, 158));
    EXPECT_EQ(label.geometry(), QRect(18, 12, 241, 97));
    EXPECT_EQ(label.font().pixelSize(), 11);

    // Rounded sizes never drift when the zoom goes back, over several steps.
    double from = 0.75;
    for (double z : {1.5, 0.5, 1.25, 1.0}) {
        RezoomWidgetTree(&root, from, z);
        from = z;
    }
    EXPECT_EQ(panel.geometry(), QRect(21, 33, 369, 211));
    EXPECT_EQ(label.geometry(), QRect(24, 16, 321, 129));
    EXPECT_EQ(label.font().pixelSize(), 14);

    // A widget a layout placed meanwhile is taken at its new place.
    RezoomWidgetTree(&root, 1.0, 0.5);
    panel.setGeometry(100, 100, 200, 100);
    RezoomWidgetTree(&root, 0.5, 1.0);
    EXPECT_EQ(panel.geometry(), QRect(200, 200, 400, 200));
}

} // namespace
} // namespace pv
