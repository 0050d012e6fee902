#pragma once
// Buttons: a rounded text button in one of the program's three looks, and a
// flat icon button whose icon lights up under the mouse.

#include "platform/widgets/Control.h"

#include <QWidget>

class QVariantAnimation;

namespace pv {

class TSvgIcon;

class TButton : public QWidget, public TControl {
    Q_OBJECT
public:
    // Primary: the accent button; Standard: a filled panel button ("my" look);
    // Ghost: outlined and transparent.
    enum class Look { Primary, Standard, Ghost };

    explicit TButton(const QString& english = {}, Look look = Look::Standard, QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    Look look() const { return look_; }
    void setFontSize(double designPixels, int weight = QFont::Medium);
    void setRadius(double designRadius);
    QSize sizeHint() const override;
    // A fitted caption may break into lines, centred.
    void setFittedFont(double pixels, bool wrap) override;
    bool wrapsText() const { return wrap_; }
    // Where a one-line caption sits: centred (the default) or from the left
    // edge (a caption that leaves room for an icon).
    void setTextAlignment(Qt::Alignment horizontal);
    Qt::Alignment textAlignment() const { return align_; }

Q_SIGNALS:
    void clicked();
    void pressed();
    void released();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void animateHover(bool hovered);

    Look look_;
    double radius_ = 15;
    double hover_ = 0; // 0 normal .. 1 hovered, animated
    bool down_ = false;
    bool wrap_ = false;
    Qt::Alignment align_ = Qt::AlignHCenter;
    QVariantAnimation* hoverAnimation_;
};

class TIconButton : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TIconButton(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    TSvgIcon* icon() const { return icon_; }
    // The icon's colour under the mouse (white by default; red for a quit button).
    void setHoverColour(TAlphaColor c) { setColour("iconHover", c); }
    void setIconSize(double designSize);

Q_SIGNALS:
    void clicked();
    void rightClicked();
    // Every press and release, inside or not (held buttons repeat).
    void pressed(Qt::MouseButton button);
    void released(Qt::MouseButton button);
    void hoverChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    TSvgIcon* icon_;
    double iconSize_ = 22;
    bool hovered_ = false;
    TAlphaColor restColour_ = 0;
    Qt::MouseButton down_ = Qt::NoButton;
};

} // namespace pv
