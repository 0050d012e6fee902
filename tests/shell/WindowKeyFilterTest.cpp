#include "shell/WindowKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <string>

namespace pv {
namespace {

struct ModsCase {
    TKeyMods mods;
    Qt::KeyboardModifiers held;
    bool matches;
};

TEST(WindowKeyFilter, ModifierRules)
{
    const ModsCase cases[] = {
        {TKeyMods::Any, Qt::ControlModifier | Qt::ShiftModifier, true},
        {TKeyMods::NoMod, Qt::NoModifier, true},
        {TKeyMods::NoMod, Qt::ShiftModifier, true},
        {TKeyMods::NoMod, Qt::AltModifier, false},
        {TKeyMods::Mod, Qt::AltModifier, true},
        {TKeyMods::Mod, Qt::MetaModifier | Qt::ShiftModifier, true},
        {TKeyMods::Mod, Qt::ShiftModifier, false},
        {TKeyMods::ModShift, Qt::ControlModifier, false},
        {TKeyMods::ModShift, Qt::AltModifier | Qt::ShiftModifier, true},
        {TKeyMods::ModNoShift, Qt::ControlModifier | Qt::ShiftModifier, false},
        {TKeyMods::CtrlShift, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, true},
        {TKeyMods::CtrlShift, Qt::AltModifier | Qt::ShiftModifier, false},
    };
    for (const ModsCase& c : cases)
        EXPECT_EQ(ModifiersMatch(c.mods, c.held), c.matches) << int(c.mods) << " " << c.held.toInt();
}

TEST(WindowKeyFilter, KeysThatArriveAsCharactersOnly)
{
    struct Case {
        int key;
        const char* text;
        int counts;
    };
    const Case cases[] = {
        {Qt::Key_Enter, "", Qt::Key_Return}, {0, "+", Qt::Key_Plus},       {0, "=", Qt::Key_Plus},
        {0, "-", Qt::Key_Minus},           {0, "_", Qt::Key_Minus},      {0, "m", Qt::Key_M},
        {Qt::Key_unknown, "Z", Qt::Key_Z},  {0, "?", 0},                  {Qt::Key_6, "6", Qt::Key_6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyOfPress(c.key, QString::fromLatin1(c.text)), c.counts) << c.text;
}

class KeyFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(200, 100);
        edit = new QLineEdit(&window);
        button = new QPushButton(&window);
        button->move(0, 40);
        filter = new TWindowKeyFilter(&window);
        window.show();
        window.activateWindow();
        QApplication::processEvents();
    }
    // A key pressed where the focus is; true when something used it.
    bool Press(QWidget* focus, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        focus->setFocus();
        QApplication::processEvents();
        QKeyEvent e(QEvent::KeyPress, key, mods);
        e.ignore();
        QApplication::sendEvent(focus, &e);
        return e.isAccepted();
    }
    QWidget window;
    QLineEdit* edit = nullptr;
    QPushButton* button = nullptr;
    TWindowKeyFilter* filter = nullptr;
    std::string trace;
};

TEST_F(KeyFilterTest, RowsRunByStageThenOrderUntilOneUsesTheKey)
{
    const auto note = [this](const char* what, bool uses) {
        return [this, what, uses](const TKeyPress&) {
            trace += what;
            return uses;
        };
    };
    filter->AddRow({Qt::Key_Escape, TKeyMods::Any, TKeyStage::Panel, false, {}, note("panel", true)});
    filter->AddRow({Qt::Key_Escape, TKeyMods::Any, TKeyStage::Shortcuts, false, {}, note("cancel,", false)});
    filter->AddRow({Qt::Key_Escape, TKeyMods::Any, TKeyStage::Shortcuts, false,
                    [](const TKeyPress&) { return false; }, note("never,", true)});
    filter->AddRow({Qt::Key_Escape, TKeyMods::Any, TKeyStage::Navigation, false, {}, note("nav,", false)});
    EXPECT_TRUE(Press(button, Qt::Key_Escape));
    EXPECT_EQ(trace, "nav,cancel,panel");
}

TEST_F(KeyFilterTest, UnusedKeysReachTheFocusedControl)
{
    filter->AddRow({Qt::Key_A, TKeyMods::NoMod, TKeyStage::Shortcuts, true, {}, [this](const TKeyPress&) {
                        trace += "A";
                        return true;
                    }});
    // Plain letters act only without typing focus: the edit gets its letter.
    Press(edit, Qt::Key_A);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(edit, &typed);
    EXPECT_EQ(edit->text(), QStringLiteral("a"));
    EXPECT_EQ(trace, "");
    EXPECT_TRUE(Press(button, Qt::Key_A));
    EXPECT_EQ(trace, "A");
    EXPECT_FALSE(Press(button, Qt::Key_A, Qt::ControlModifier));
}

TEST_F(KeyFilterTest, BacktabArrivesAsShiftTabAndKeypadEnterAsEnter)
{
    std::vector<std::pair<int, bool>> seen;
    for (int key : {int(Qt::Key_Tab), int(Qt::Key_Return)})
        filter->AddRow({key, TKeyMods::Any, TKeyStage::Navigation, false, {}, [&seen](const TKeyPress& k) {
                            seen.emplace_back(k.key, bool(k.modifiers & Qt::ShiftModifier));
                            return true;
                        }});
    EXPECT_TRUE(Press(button, Qt::Key_Backtab, Qt::ShiftModifier));
    EXPECT_TRUE(Press(button, Qt::Key_Enter, Qt::KeypadModifier));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(int(Qt::Key_Tab), true));
    EXPECT_EQ(seen[1], std::make_pair(int(Qt::Key_Return), false));
}

TEST_F(KeyFilterTest, OtherWindowsKeepTheirKeys)
{
    filter->AddRow({Qt::Key_Escape, TKeyMods::Any, TKeyStage::Shortcuts, false, {}, [this](const TKeyPress&) {
                        trace += "x";
                        return true;
                    }});
    QWidget other;
    auto* otherButton = new QPushButton(&other);
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    Press(otherButton, Qt::Key_Escape);
    EXPECT_EQ(trace, "");
}

} // namespace
} // namespace pv
