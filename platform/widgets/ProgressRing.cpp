#include "platform/widgets/ProgressRing.h"

#include "platform/widgets/DesignColours.h"

#include <QPainter>

namespace pv {

void PaintProgressRing(QPainter& p, QPointF centre, double radius, int percent, QColor colour, double strokeWidth)
{
    if (!ProgressRingVisible(percent))
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, strokeWidth, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    // Qt counts angles counter-clockwise in 1/16 degree from three o'clock.
    p.drawArc(box, 90 * 16, -int(percent / 100.0 * 360.0 * 16));
    p.restore();
}

TProgressRing::TProgressRing(QWidget* parent) : QWidget(parent)
{
    addColour("stroke", ColourKind::Fill, kAccentMarker);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TProgressRing::setPercent(int percent)
{
    if (percent_ == percent)
        return;
    percent_ = percent;
    update();
}

void TProgressRing::setRadius(double designRadius)
{
    radius_ = designRadius;
    update();
}

void TProgressRing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const double stroke = Dp(3);
    const double r = radius_ > 0 ? Dp(radius_) : std::min(width(), height()) / 2.0 - stroke;
    PaintProgressRing(p, QRectF(rect()).center(), r, percent_, qcolour("stroke"), stroke);
}

} // namespace pv
