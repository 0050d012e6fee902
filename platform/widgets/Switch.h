#pragma once
// An on/off switch: a rounded track with a round thumb that slides to its end
// in 50 ms. On: accent track, white thumb at the right; off: faint track, grey
// thumb at the left. The thumb keeps its colours in either theme.

#include "platform/widgets/Control.h"

#include <QWidget>

class QVariantAnimation;

namespace pv {

class TSwitch : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TSwitch(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    bool isChecked() const { return checked_; }
    // Sets the state without raising toggled; animated unless told otherwise.
    void setChecked(bool on, bool animate = true);
    // Track and thumb in design units (38 x 18 with radius 8 and an 18 x 16 thumb by default).
    void setTrack(double width, double height, double radius);
    void setThumb(double width, double height);
    // The thumb's left edge in the track, design units: 1 when off,
    // track width - thumb width - 1 when on (between the two while sliding).
    double thumbX() const { return thumbX_; }
    bool isSliding() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user flipped the switch (click, Space or Enter).
    void toggled(bool on);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    double restX(bool on) const;
    void flip();

    bool checked_ = false;
    bool pressed_ = false;
    double trackW_ = 38, trackH_ = 18, radius_ = 8;
    double thumbW_ = 18, thumbH_ = 16;
    double thumbX_ = 1;
    QVariantAnimation* slide_;
};

} // namespace pv
