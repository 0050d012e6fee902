#pragma once
// Synthetic input for widget tests: presses, releases, keys and wheel turns
// sent straight to a widget, as the window system would deliver them.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace pv::test {

inline void Press(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), b, b, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Release(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), b, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Move(QWidget* w, QPointF at, Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent e(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Click(QWidget* w, QPointF at)
{
    Press(w, at);
    Release(w, at);
}

inline void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

// One notch of the wheel: up (towards the user's away side) for +1.
inline void Wheel(QWidget* w, int notches, QPointF at = {2, 2})
{
    QWheelEvent e(at, w->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(w, &e);
}

} // namespace pv::test
