#include "shell/WindowKeyFilter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>

namespace pv {

bool ModifiersMatch(TKeyMods mods, Qt::KeyboardModifiers held)
{
    const bool mod = held & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool shift = held & Qt::ShiftModifier;
    switch (mods) {
    case TKeyMods::Any:
        return true;
    case TKeyMods::NoMod:
        return !mod;
    case TKeyMods::Mod:
        return mod;
    case TKeyMods::ModShift:
        return mod && shift;
    case TKeyMods::ModNoShift:
        return mod && !shift;
    case TKeyMods::CtrlShift:
        return (held & Qt::ControlModifier) && shift;
    }
    return false;
}

bool IsTypingControl(const QWidget* w)
{
    if (!w)
        return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
        qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w))
        return true;
    return w->property("pvTyping").toBool();
}

bool IsEditingKey(int key, Qt::KeyboardModifiers modifiers)
{
    const QKeyEvent press(QEvent::KeyPress, key, modifiers);
    for (QKeySequence::StandardKey k : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
                                        QKeySequence::Redo, QKeySequence::SelectAll})
        if (press.matches(k))
            return true;
    return false;
}

int KeyOfPress(int key, const QString& text)
{
    if (key == Qt::Key_Enter)
        return Qt::Key_Return;
    if ((key != 0 && key != Qt::Key_unknown) || text.size() != 1)
        return key;
    const QChar c = text.front();
    if (c >= u'a' && c <= u'z')
        return Qt::Key_A + (c.unicode() - u'a');
    if (c >= u'A' && c <= u'Z')
        return Qt::Key_A + (c.unicode() - u'A');
    if (c == u'+' || c == u'=')
        return Qt::Key_Plus;
    if (c == u'-' || c == u'_')
        return Qt::Key_Minus;
    return key;
}

TWindowKeyFilter::TWindowKeyFilter(QWidget* window) : QObject(window), window_(window)
{
    qApp->installEventFilter(this);
}

TWindowKeyFilter::~TWindowKeyFilter()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void TWindowKeyFilter::AddRow(TKeyRow row)
{
    // Kept sorted by stage; a new row goes after the rows of its own stage.
    const auto at = std::upper_bound(rows_.begin(), rows_.end(), row.stage,
                                     [](TKeyStage s, const TKeyRow& r) { return s < r.stage; });
    rows_.insert(at, std::move(row));
}

bool TWindowKeyFilter::Route(const TKeyPress& press)
{
    for (const TKeyRow& row : rows_) {
        if (row.key != press.key || !ModifiersMatch(row.mods, press.modifiers))
            continue;
        if (row.notTyping && press.typing)
            continue;
        if (row.condition && !row.condition(press))
            continue;
        if (row.action && row.action(press))
            return true;
    }
    return false;
}

bool TWindowKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    // A key reaches its first receiver (the focused control, or the window
    // when nothing has the focus) once; the propagation to the parents that
    // follows must not run the table again.
    if (!target || target->window() != window_)
        return false;
    QWidget* focus = QApplication::focusWidget();
    if (focus ? target != focus : target != window_)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    TKeyPress press;
    press.key = KeyOfPress(key->key(), key->text());
    press.modifiers = key->modifiers();
    // Shift+Tab arrives as Backtab.
    if (press.key == Qt::Key_Backtab) {
        press.key = Qt::Key_Tab;
        press.modifiers |= Qt::ShiftModifier;
    }
    press.focus = focus;
    press.typing = IsTypingControl(focus);
    if (!Route(press))
        return false;
    event->accept();
    return true;
}

} // namespace pv
