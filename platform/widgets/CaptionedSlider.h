#pragma once
// A slider over 0..100 and the captioned slider row of the parameter panel:
// the caption on the left, the rounded value on the right, the track below.

#include "platform/widgets/Control.h"

#include <QWidget>

#include <algorithm>

namespace pv {

class TLabel;

class TSlider : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TSlider(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    double value() const { return value_; }
    // Clamped to 0..100; a change raises tracking().
    void setValue(double value);
    // True while the user holds the thumb.
    bool isDragging() const { return dragging_; }
    // The steps the user moves the value in: a dragged thumb lands on a
    // multiple of the step and the arrow keys go to the next one. 0 (the
    // default) drags freely and steps by 1.
    void setStep(double step) { step_ = std::max(0.0, step); }
    double step() const { return step_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // Every change of the value, by the user or by the program.
    void tracking(double value);
    void dragStarted();
    void dragEnded();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    double valueAt(double x) const;
    QRectF trackRect() const;

    double value_ = 0;
    double step_ = 0;
    bool dragging_ = false;
    bool hovered_ = false;
};

class TCaptionedSlider : public QWidget {
    Q_OBJECT
public:
    explicit TCaptionedSlider(QWidget* parent = nullptr);

    TLabel* caption() const { return caption_; }
    TLabel* valueLabel() const { return valueLabel_; }
    TSlider* slider() const { return slider_; }

    double value() const;
    void setValue(double value);
    bool isDragging() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void tracking(double value);
    void captionDoubleClicked();

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    TLabel* caption_;
    TLabel* valueLabel_;
    TSlider* slider_;
};

} // namespace pv
