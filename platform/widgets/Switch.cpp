#include "platform/widgets/Switch.h"

#include "platform/widgets/DesignColours.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace pv {

TSwitch::TSwitch(QWidget* parent) : QWidget(parent), slide_(new QVariantAnimation(this))
{
    addColour("trackOn", ColourKind::Fill, kAccent);
    addColour("trackOff", ColourKind::Fill, kOverlayTrackOff);
    addColour("thumbOn", ColourKind::Fixed, kControlKnob);
    addColour("thumbOff", ColourKind::Fixed, kControlKnobOff);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    slide_->setDuration(50);
    slide_->setEasingCurve(QEasingCurve::Linear);
    connect(slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        thumbX_ = v.toDouble();
        update();
    });
    thumbX_ = restX(false);
}

double TSwitch::restX(bool on) const { return on ? trackW_ - thumbW_ - 1 : 1; }

void TSwitch::setChecked(bool on, bool animate)
{
    checked_ = on;
    slide_->stop();
    if (animate && isVisible()) {
        slide_->setStartValue(thumbX_);
        slide_->setEndValue(restX(on));
        slide_->start();
    } else {
        thumbX_ = restX(on);
    }
    update();
}

bool TSwitch::isSliding() const { return slide_->state() == QAbstractAnimation::Running; }

void TSwitch::setTrack(double width, double height, double radius)
{
    trackW_ = width;
    trackH_ = height;
    radius_ = radius;
    setChecked(checked_, false);
    updateGeometry();
}

void TSwitch::setThumb(double width, double height)
{
    thumbW_ = width;
    thumbH_ = height;
    setChecked(checked_, false);
}

QSize TSwitch::sizeHint() const { return {DpI(trackW_), DpI(trackH_)}; }

void TSwitch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    // The track sits centred in the widget at its designed size.
    const QRectF track((width() - Dp(trackW_)) / 2, (height() - Dp(trackH_)) / 2, Dp(trackW_), Dp(trackH_));
    p.setPen(Qt::NoPen);
    p.setBrush(qcolour(checked_ ? "trackOn" : "trackOff"));
    p.drawRoundedRect(track, Dp(radius_), Dp(radius_));
    if (hasFocus() && keyboardFocus()) {
        p.setPen(QPen(QColor(0x61, 0xB9, 0xD2, 160), Dp(1.5)));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(track.adjusted(-Dp(2), -Dp(2), Dp(2), Dp(2)), Dp(radius_ + 2), Dp(radius_ + 2));
        p.setPen(Qt::NoPen);
    }
    p.setBrush(qcolour(checked_ ? "thumbOn" : "thumbOff"));
    p.drawEllipse(QRectF(track.left() + Dp(thumbX_), track.top() + (track.height() - Dp(thumbH_)) / 2, Dp(thumbW_),
                         Dp(thumbH_)));
}

void TSwitch::flip()
{
    setChecked(!checked_);
    Q_EMIT toggled(checked_);
}

void TSwitch::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    pressed_ = true;
    e->accept();
}

void TSwitch::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !pressed_)
        return QWidget::mouseReleaseEvent(e);
    pressed_ = false;
    if (rect().contains(e->position().toPoint()))
        flip();
    e->accept();
}

void TSwitch::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        flip();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TSwitch::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(e);
}

void TSwitch::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TSwitch::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

} // namespace pv
