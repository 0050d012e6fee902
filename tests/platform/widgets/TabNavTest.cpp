#include "platform/widgets/TabNav.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/LineEdit.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "WidgetEvents.h"

#include <gtest/gtest.h>

#include <map>

namespace pv {
namespace {

struct OrderCase {
    const char* what;
    std::vector<std::pair<float, float>> leftTop; // in child order
    std::vector<int> order;                        // indices in reading order
};

TEST(TabNav, ReadingOrderOpensARowMoreThan14BelowTheRowsFirstTop)
{
    const OrderCase cases[] = {
        {"row from its first top", {{50, 100}, {10, 110}, {0, 120}}, {1, 0, 2}},
        {"exactly 14 shares the row", {{30, 100}, {10, 114}}, {1, 0}},
        {"15 opens a row", {{30, 100}, {10, 115}}, {0, 1}},
        {"three rows", {{0, 300}, {0, 0}, {0, 150}}, {1, 2, 0}},
    };
    for (const OrderCase& c : cases) {
        std::vector<TStopGeom> stops;
        std::vector<QWidget> owners(c.leftTop.size());
        for (size_t i = 0; i < c.leftTop.size(); ++i)
            stops.push_back({&owners[i], c.leftTop[i].first, c.leftTop[i].second, 0});
        SortReadingOrder(stops);
        std::vector<int> got;
        for (const TStopGeom& s : stops)
            got.push_back(int(s.Ctrl - owners.data()));
        EXPECT_EQ(got, c.order) << c.what;
    }
}

TEST(TabNav, NextStopWrapsBothWays)
{
    struct Case {
        int index, count;
        bool backward;
        int next;
    };
    const Case cases[] = {
        {4, 5, false, 0}, {0, 5, true, 4}, {-1, 5, false, 0}, {-1, 5, true, 3},
        {-1, 1, true, 0}, {2, 5, false, 3}, {0, 0, false, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextStopIndex(c.index, c.count, c.backward), c.next) << c.index << "/" << c.count << c.backward;
}

class TabWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(600, 400);
        first = new TButton(QStringLiteral("first"), TButton::Look::Standard, &window);
        first->setGeometry(300, 10, 80, 30);
        second = new TButton(QStringLiteral("second"), TButton::Look::Standard, &window);
        second->setGeometry(10, 20, 80, 30); // same row, further left
        // A clickable panel with a label that forwards the same click.
        panel = new TRoundedPanel(&window);
        panel->setGeometry(10, 100, 200, 40);
        QObject::connect(panel, &TRoundedPanel::clicked, [] {});
        onPanel = new TLabel(QStringLiteral("on panel"), &window);
        onPanel->setGeometry(20, 105, 100, 30);
        onPanel->setClickable(true);
        QObject::connect(onPanel, &TLabel::clicked, [] {});
        // A clickable icon that was not designed as a stop.
        icon = new TSvgIcon(&window);
        icon->setGeometry(10, 200, 24, 24);
        icon->setClickable(true);
        QObject::connect(icon, &TSvgIcon::clicked, [] {});
        // A container whose edit sits inside a stop.
        box = new TButton(QStringLiteral("box"), TButton::Look::Standard, &window);
        box->setGeometry(10, 300, 200, 60);
        hidden = new QWidget(&window);
        hidden->setGeometry(300, 300, 100, 50);
        new TButton(QStringLiteral("hidden"), TButton::Look::Standard, hidden);
        hidden->hide();
        skipped = new QWidget(&window);
        skipped->setGeometry(300, 200, 100, 50);
        new TButton(QStringLiteral("skipped"), TButton::Look::Standard, skipped);
        SetTabSkip(skipped);
        window.show();
        window.activateWindow();
        QApplication::processEvents();
    }
    std::vector<QWidget*> Stops()
    {
        std::vector<QWidget*> stops;
        CollectTabStops(&window, stops);
        RemoveCoveredStops(stops);
        return stops;
    }
    QWidget window;
    TButton *first, *second, *box;
    TRoundedPanel* panel;
    TLabel* onPanel;
    TSvgIcon* icon;
    QWidget *hidden, *skipped;
};

TEST_F(TabWindow, StopsInReadingOrderWithoutCoveredHiddenOrSkippedOnes)
{
    EXPECT_EQ(icon->focusPolicy() & Qt::TabFocus, 0);
    const std::vector<QWidget*> stops = Stops();
    EXPECT_EQ(stops, (std::vector<QWidget*>{second, first, panel, icon, box}));
    // The clickable icon became a stop on the first collection.
    EXPECT_TRUE(icon->focusPolicy() & Qt::TabFocus);
}

TEST_F(TabWindow, TabWrapsAndShiftTabFromNothingGoesToTheStopBeforeTheLast)
{
    MoveTabFocus(&window, nullptr, false);
    EXPECT_EQ(QApplication::focusWidget(), second);
    MoveTabFocus(&window, box, false);
    EXPECT_EQ(QApplication::focusWidget(), second);
    MoveTabFocus(&window, second, true);
    EXPECT_EQ(QApplication::focusWidget(), box);
    MoveTabFocus(&window, nullptr, true);
    EXPECT_EQ(QApplication::focusWidget(), icon);
    // From a control inside a stop, Tab goes on from that stop.
    auto* inside = new QWidget(box);
    MoveTabFocus(&window, inside, false);
    EXPECT_EQ(QApplication::focusWidget(), second);
}

TEST_F(TabWindow, AProxyLendsItsPositionAndNullRemovesIt)
{
    RegisterTabGeometryProxy(box, second);
    std::vector<QWidget*> stops = Stops();
    // Half a unit right of the proxy: after it, before the first button.
    EXPECT_EQ(stops, (std::vector<QWidget*>{second, box, first, panel, icon}));
    RegisterTabGeometryProxy(box, nullptr);
    stops = Stops();
    EXPECT_EQ(stops.back(), box);
}

TEST_F(TabWindow, TheRingFollowsKeyboardFocusOnlyAndGoesBackToTheWindow)
{
    TFocusRing* ring = CreateFocusRing(&window);
    BeginKeyboardFocus();
    box->setFocus(Qt::TabFocusReason);
    UpdateFocusRing(ring, box, &window, &window);
    EXPECT_TRUE(FocusRingShown(ring));
    EXPECT_EQ(ring->geometry(), box->geometry().adjusted(-2, -2, 2, 2));
    EXPECT_FALSE(IsKeyboardFocusActive());

    // A focus inside the panel puts the ring into the panel; a mouse focus hides it.
    auto* inner = new QWidget(panel);
    BeginKeyboardFocus();
    UpdateFocusRing(ring, inner, &window, &window);
    EXPECT_EQ(ring->parentWidget(), panel);
    UpdateFocusRing(ring, first, &window, &window);
    EXPECT_FALSE(FocusRingShown(ring));
    EXPECT_EQ(ring->parentWidget(), &window);
    // Outside the root the ring stays hidden.
    BeginKeyboardFocus();
    UpdateFocusRing(ring, first, panel, &window);
    EXPECT_FALSE(FocusRingShown(ring));
}

TEST(TabNav, AWindowThatDrawsTheRingKeepsTheKitsOwnMarksOff)
{
    for (bool ring : {false, true}) {
        QWidget window;
        SetWindowDrawsFocusRing(&window, ring);
        auto* list = new TItemList(&window);
        list->setItems({QStringLiteral("a")});
        auto* other = new TButton(QStringLiteral("x"), TButton::Look::Standard, &window);
        window.show();
        window.activateWindow();
        QApplication::processEvents();
        other->setFocus();
        list->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(list->hasFocus());
        EXPECT_EQ(list->keyboardFocus(), !ring);
    }
}

TEST(TabNav, ArrowsMoveAListsSelectionWithoutChoosing)
{
    TItemList list;
    list.setItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    int chosen = -1;
    QObject::connect(&list, &TItemList::itemClicked, [&](int i) { chosen = i; });
    list.setItemIndex(0);
    test::Key(&list, Qt::Key_Down);
    test::Key(&list, Qt::Key_Space);
    test::Key(&list, Qt::Key_Return);
    EXPECT_EQ(list.itemIndex(), 1);
    EXPECT_EQ(chosen, -1);
    test::Key(&list, Qt::Key_End);
    EXPECT_EQ(list.itemIndex(), 2);
}

} // namespace
} // namespace pv
