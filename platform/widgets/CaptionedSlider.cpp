#include "platform/widgets/CaptionedSlider.h"

#include "platform/system/Numbers.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace pv {

TSlider::TSlider(QWidget* parent) : QWidget(parent)
{
    addColour("track", ColourKind::Fill, kPanelField);
    addColour("fill", ColourKind::Fill, kAccent);
    addColour("thumb", ColourKind::Fill, kControlKnob);
    addColour("thumbRing", ColourKind::Fill, kAccent);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize TSlider::sizeHint() const { return {DpI(200), DpI(22)}; }

void TSlider::setValue(double value)
{
    value = std::clamp(value, 0.0, 100.0);
    if (value == value_)
        return;
    value_ = value;
    update();
    Q_EMIT tracking(value_);
}

QRectF TSlider::trackRect() const
{
    const double thumb = Dp(8);
    const double h = Dp(4);
    return {thumb, (height() - h) / 2, std::max(1.0, width() - 2 * thumb), h};
}

double TSlider::valueAt(double x) const
{
    const QRectF t = trackRect();
    const double v = std::clamp((x - t.left()) / t.width() * 100.0, 0.0, 100.0);
    return step_ > 0 ? std::min(100.0, Round(v / step_) * step_) : v;
}

void TSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.35);
    const QRectF t = trackRect();
    const double r = t.height() / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(qcolour("track"));
    p.drawRoundedRect(t, r, r);
    const double x = t.left() + t.width() * value_ / 100.0;
    if (isEnabled()) {
        p.setBrush(qcolour("fill"));
        p.drawRoundedRect(QRectF(t.left(), t.top(), x - t.left(), t.height()), r, r);
    }
    const double thumbR = Dp(dragging_ || hovered_ ? 8 : 7);
    const QPointF c(x, height() / 2.0);
    if ((hasFocus() && keyboardFocus()) || dragging_) {
        QColor halo = qcolour("thumbRing");
        halo.setAlpha(70);
        p.setBrush(halo);
        p.drawEllipse(c, thumbR + Dp(4), thumbR + Dp(4));
    }
    p.setBrush(qcolour("thumb"));
    p.setPen(QPen(isEnabled() ? qcolour("thumbRing") : qcolour("track"), Dp(2)));
    p.drawEllipse(c, thumbR - Dp(1), thumbR - Dp(1));
}

void TSlider::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !isEnabled())
        return QWidget::mousePressEvent(e);
    dragging_ = true;
    Q_EMIT dragStarted();
    setValue(valueAt(e->position().x()));
    update();
    e->accept();
}

void TSlider::mouseMoveEvent(QMouseEvent* e)
{
    if (dragging_)
        setValue(valueAt(e->position().x()));
    e->accept();
}

void TSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && dragging_) {
        setValue(valueAt(e->position().x()));
        dragging_ = false;
        update();
        Q_EMIT dragEnded();
    }
    e->accept();
}

void TSlider::keyPressEvent(QKeyEvent* e)
{
    // From a value between two steps the keys go to the nearer step on
    // their side; Shift goes further.
    const double unit = step_ > 0 ? step_ : 1;
    const double by = (e->modifiers() & Qt::ShiftModifier) ? std::max(10.0, unit) : unit;
    const double at = Round(value_);
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        setValue(std::ceil(at / unit) * unit - by);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        setValue(std::floor(at / unit) * unit + by);
        break;
    case Qt::Key_Home:
        setValue(0);
        break;
    case Qt::Key_End:
        setValue(100);
        break;
    default:
        return QWidget::keyPressEvent(e);
    }
    e->accept();
}

void TSlider::wheelEvent(QWheelEvent* e)
{
    // The panel scrolls; sliders change only by dragging or keys.
    e->ignore();
}

void TSlider::enterEvent(QEnterEvent* e)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(e);
}

void TSlider::leaveEvent(QEvent* e)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(e);
}

void TSlider::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TSlider::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

// ------------------------------------------------------------------ captioned row

TCaptionedSlider::TCaptionedSlider(QWidget* parent)
    : QWidget(parent), caption_(new TLabel({}, this)), valueLabel_(new TLabel(QStringLiteral("0"), this)),
      slider_(new TSlider(this))
{
    caption_->setObjectName(QStringLiteral("caption"));
    valueLabel_->setObjectName(QStringLiteral("value"));
    slider_->setObjectName(QStringLiteral("slider"));
    caption_->setFontSize(14);
    caption_->setClickable(true);
    valueLabel_->setFontSize(14, QFont::DemiBold);
    valueLabel_->setFontColour(kTextBright);
    valueLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(caption_, &TLabel::doubleClicked, this, &TCaptionedSlider::captionDoubleClicked);
    connect(slider_, &TSlider::tracking, this, &TCaptionedSlider::tracking);
}

double TCaptionedSlider::value() const { return slider_->value(); }
void TCaptionedSlider::setValue(double value) { slider_->setValue(value); }
bool TCaptionedSlider::isDragging() const { return slider_->isDragging(); }

QSize TCaptionedSlider::sizeHint() const { return {DpI(230), DpI(50)}; }

void TCaptionedSlider::resizeEvent(QResizeEvent*)
{
    const int captionH = DpI(20);
    const int valueW = DpI(40);
    caption_->setGeometry(0, 0, width() - valueW, captionH);
    valueLabel_->setGeometry(width() - valueW, 0, valueW, captionH);
    slider_->setGeometry(-DpI(2), captionH + DpI(4), width() + DpI(4), DpI(22));
}

} // namespace pv
