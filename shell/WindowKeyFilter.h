#pragma once
// The main window's key routing: one filter on the application that sees
// every key meant for the window before the focused control does, and runs
// it down a table of rows (key, modifiers, condition, action) in order. The
// first row whose key and modifiers match, whose condition holds and whose
// action reports the key as used consumes it; a key no row uses goes on to
// the focused control as usual. Other windows keep their own keys.
//
// Rows belong to stages, run in stage order and, within a stage, in the
// order they were added, so a later table of shortcuts slots in between
// the navigation rows and the rows that hand keys to an open panel. Each
// key runs down the table once: a key no row used goes on to the focused
// control and never comes back.

#include <QObject>

#include <functional>
#include <vector>

class QKeyEvent;
class QWidget;

namespace pv {

enum class TKeyStage {
    Navigation, // Tab, arrows inside an open panel, keys on the focus ring
    Menu,       // the open main menu
    Shortcuts,  // the window's table (Esc's cancel flag first)
    Panel,      // Enter and Esc still pending, to the open panel
};

// Which modifiers a row accepts. "Mod" is Ctrl, Alt or Meta.
enum class TKeyMods {
    Any,        // whatever is held
    NoMod,      // neither Ctrl, Alt nor Meta (Shift free)
    Mod,        // Ctrl, Alt or Meta (Shift free)
    ModShift,   // Mod and Shift
    ModNoShift, // Mod without Shift
    CtrlShift,  // Ctrl and Shift (Alt and Meta not looked at)
};

struct TKeyPress {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    // The focused control is a single-line or multi-line edit.
    bool typing = false;
    QWidget* focus = nullptr;
};

struct TKeyRow {
    int key = 0;
    TKeyMods mods = TKeyMods::Any;
    TKeyStage stage = TKeyStage::Shortcuts;
    // Only when no edit has the focus (plain-letter shortcuts).
    bool notTyping = false;
    // Empty: always.
    std::function<bool(const TKeyPress&)> condition;
    // Returns true when it used the key.
    std::function<bool(const TKeyPress&)> action;
    // What the row does, for listings and tests.
    const char* name = nullptr;
};

bool ModifiersMatch(TKeyMods mods, Qt::KeyboardModifiers held);
// True for the edits that take typed text (line edits, spin boxes, text
// editors, and controls marked with the property "pvTyping").
bool IsTypingControl(const QWidget* w);
// The keys an edit uses on its own text: copy, cut, paste, undo, redo and
// select all, in the platform's bindings.
bool IsEditingKey(int key, Qt::KeyboardModifiers modifiers);
// The key a press counts as: keypad Enter is Enter, and a key that arrives
// as a character only (no key code) is taken by its character: letters as
// their keys, "+" and "=" as the plus key, "-" and "_" as the minus key.
int KeyOfPress(int key, const QString& text);

class TWindowKeyFilter : public QObject {
    Q_OBJECT
public:
    // Filters keys for the window and the controls inside it.
    explicit TWindowKeyFilter(QWidget* window);
    ~TWindowKeyFilter() override;

    void AddRow(TKeyRow row);
    const std::vector<TKeyRow>& Rows() const { return rows_; }
    // Runs one key down the table; true when a row used it.
    bool Route(const TKeyPress& press);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::vector<TKeyRow> rows_;
};

} // namespace pv
