#pragma once
// Keys pressed on the main window as the user would: to the focused control,
// or to the window when nothing has the focus.

#include "FormFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace pv::test {

// The window shown and active, with an edit of the test's own for typing focus.
class KeyboardForm : public RecordingForm {
public:
    KeyboardForm()
    {
        resize(1300, 900);
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("TestEdit"));
        edit->setGeometry(600, 500, 120, 24);
        show();
        activateWindow();
        QApplication::processEvents();
        // The deferred start-up has run; restored, the window keeps its size.
        WaitUntil([this] { return !Params[3][0].Name1.isEmpty() && !InitializationTimer.isActive(); });
        if (IsCustomMaximized())
            MaxButtonClick();
        resize(1300, 900);
        QApplication::processEvents();
    }
    QLineEdit* edit = nullptr;
};

// Sends a key where the focus is; true when something used it.
inline bool PressKey(QWidget& window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != &window)
        target = &window;
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    e.ignore();
    QApplication::sendEvent(target, &e);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
    return e.isAccepted();
}

inline void ClearFocus(QWidget& window)
{
    if (QWidget* f = QApplication::focusWidget())
        f->clearFocus();
    window.setFocus();
    window.clearFocus();
    QApplication::processEvents();
}

} // namespace pv::test
