#pragma once
// A one-line text field: a rounded box painted like the other controls around
// a frameless editor. The control's text is the English prompt shown while the
// field is empty (translated like any control text); what the user typed is
// editText().

#include "platform/widgets/Control.h"

#include <QWidget>

class QLineEdit;

namespace pv {

class TLineEdit : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TLineEdit(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    QLineEdit* editor() const { return editor_; }
    QString editText() const;
    void setEditText(const QString& text);
    void setPrompt(const QString& english) { setText(english); }

    void setFontSize(double designPixels, int weight = QFont::Normal);
    void setAlignment(Qt::Alignment alignment);
    void setRadius(double designRadius);
    // Without a frame the field draws neither fill nor stroke (a text typed
    // straight onto a panel).
    void setFramed(bool framed);
    bool hasEditFocus() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user changed the text (typing, pasting, deleting).
    void textEdited(const QString& text);
    // Enter in the field.
    void returnPressed();
    // Enter, or the focus leaving the field.
    void editingFinished();
    // Every key released in the field (typing timers start from it).
    void keyReleased(int key);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void coloursChanged() override;
    void textChanged() override;
    // Room kept free beside the editor (pixels), for buttons drawn in the box.
    void setEditorInsets(int left, int right);
    // The box's outline, shared by subclasses that paint inside it.
    QRectF boxRect() const;
    double radiusPixels() const;

private:
    void applyPalette();
    void layoutEditor();
    // True while this field draws the prompt itself (see paintEvent).
    bool showsOwnPrompt() const;

    QLineEdit* editor_;
    double radius_ = 8;
    bool framed_ = true;
    int insetLeft_ = 0, insetRight_ = 0;
};

} // namespace pv
