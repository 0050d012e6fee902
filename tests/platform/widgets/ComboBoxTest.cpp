#include "platform/widgets/ComboBox.h"

#include "WidgetEvents.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

class ComboFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        combo = new TComboBox(&window);
        combo->setItems({QStringLiteral("Normal"), QStringLiteral("Multiply"), QStringLiteral("Darken"),
                         QStringLiteral("Lighten")});
        combo->setItemIndex(0);
        combo->setGeometry(20, 20, 150, 30);
        window.show();
        QObject::connect(combo, &TComboBox::changed, [this](int i) { changes.push_back(i); });
    }

    QWidget window;
    TComboBox* combo = nullptr;
    std::vector<int> changes;
};

TEST_F(ComboFixture, KeysAndWheelChangeTheChoiceWithinTheItems)
{
    test::Key(combo, Qt::Key_Down);
    test::Key(combo, Qt::Key_End);
    test::Key(combo, Qt::Key_Down); // already last: nothing
    test::Wheel(combo, 1);          // wheel up: previous item
    test::Key(combo, Qt::Key_Home);
    test::Wheel(combo, 1);
    EXPECT_EQ(changes, (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(combo->itemIndex(), 0);
    combo->setItemIndex(2); // the program's choice raises nothing
    EXPECT_EQ(changes.size(), 4u);
}

TEST_F(ComboFixture, PopupOpensBelowAndChoosesByKeyboard)
{
    test::Key(combo, Qt::Key_Space);
    ASSERT_TRUE(combo->isPopupOpen());
    const QRect r = combo->popup()->geometry();
    EXPECT_GE(r.top(), 50);
    EXPECT_EQ(r.left(), 20);
    test::Key(combo, Qt::Key_Down);
    test::Key(combo, Qt::Key_Down);
    test::Key(combo, Qt::Key_Return);
    EXPECT_FALSE(combo->isPopupOpen());
    EXPECT_EQ(changes, (std::vector<int>{2}));
    test::Key(combo, Qt::Key_Space);
    test::Key(combo, Qt::Key_Escape);
    EXPECT_FALSE(combo->isPopupOpen());
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(ComboFixture, PopupOpensAboveWhenThereIsNoRoomBelow)
{
    combo->move(20, 260);
    combo->showPopup();
    ASSERT_TRUE(combo->isPopupOpen());
    EXPECT_LE(combo->popup()->geometry().bottom(), 260);
}

TEST_F(ComboFixture, ClickOnARowChoosesItAndAPressOutsideOnlyCloses)
{
    test::Click(combo, {10, 10});
    ASSERT_TRUE(combo->isPopupOpen());
    QWidget* popup = combo->popup();
    const int rowH = int(combo->itemHeight());
    test::Move(popup, {30, 4 + rowH * 3 + rowH / 2.0});
    test::Click(popup, {30, 4 + rowH * 3 + rowH / 2.0});
    EXPECT_EQ(combo->itemIndex(), 3);
    combo->showPopup();
    test::Press(&window, {350, 280});
    EXPECT_FALSE(combo->isPopupOpen());
    EXPECT_EQ(changes, (std::vector<int>{3}));
}

TEST_F(ComboFixture, ItemsKeepTheirEnglishTextBesideTheShownOne)
{
    combo->setItemIndex(1);
    combo->setItemDisplayText(1, QStringLiteral("Multiplizieren"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("Multiplizieren"));
    EXPECT_EQ(static_cast<TControl*>(combo)->itemSourceText(1), QStringLiteral("Multiply"));
    EXPECT_EQ(static_cast<TControl*>(combo)->itemTextCount(), 4);
    combo->setItems({QStringLiteral("One")});
    EXPECT_EQ(combo->itemIndex(), -1);
    EXPECT_EQ(combo->currentText(), QString());
}

} // namespace
} // namespace pv
