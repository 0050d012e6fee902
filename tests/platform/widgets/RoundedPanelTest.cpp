// A rounded panel's shadow is a sibling widget: it shows, hides and moves
// with its panel.

#include "platform/widgets/RoundedPanel.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace pv {
namespace {

// The window's visible children other than the panel: its shadow, if shown.
std::vector<QWidget*> ShownBesides(const QWidget& window, const QWidget* panel)
{
    std::vector<QWidget*> out;
    for (QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != panel && w->isVisible())
            out.push_back(w);
    return out;
}

TEST(RoundedPanel, AShadowStaysHiddenWithAPanelHiddenBeforeTheWindowShows)
{
    QWidget window;
    window.resize(600, 400);
    auto* panel = new TRoundedPanel(&window);
    // Shadow first, geometry and hiding after: the order a panel built in
    // code goes through before its window is ever shown.
    panel->setShadow({4, 3, 3, 0x99000000u});
    panel->setGeometry(200, 100, 150, 120);
    panel->hide();
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(ShownBesides(window, panel).empty()) << "nothing darkens the window's corner";

    panel->show();
    const std::vector<QWidget*> shadow = ShownBesides(window, panel);
    ASSERT_EQ(shadow.size(), 1u);
    EXPECT_TRUE(shadow[0]->geometry().contains(panel->geometry())) << "around the panel";
    panel->hide();
    EXPECT_TRUE(ShownBesides(window, panel).empty());
}

} // namespace
} // namespace pv
