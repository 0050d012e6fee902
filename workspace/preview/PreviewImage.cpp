#include "workspace/preview/PreviewImage.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/ProgressRing.h"
#include "platform/widgets/RoundedPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace pv {

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent)
{
    addColour("corner", ColourKind::Fill, kBackgroundWorkspace);
    addColour("ring", ColourKind::Fill, kAccentMarker);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setCursor(Qt::SizeAllCursor);
}

void TPreviewImage::setBitmap(QImage bitmap)
{
    bitmap_ = std::move(bitmap);
    update();
}

void TPreviewImage::setRingPercent(int percent)
{
    if (ringPercent_ == percent)
        return;
    ringPercent_ = percent;
    update();
}

void TPreviewImage::setRingRadius(double radius)
{
    ringRadius_ = radius;
    update();
}

void TPreviewImage::setLightTheme(bool light)
{
    lightTheme_ = light;
    update();
}

void TPreviewImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF R = rect();
    const double radius = Dp(16);
    const QRectF inner = R.adjusted(1.5, 1.5, -1.5, -1.5);

    if (!bitmap_.isNull()) {
        QSizeF s = bitmap_.size();
        s.scale(R.size(), Qt::KeepAspectRatio);
        const QRectF target(R.center().x() - s.width() / 2, R.center().y() - s.height() / 2, s.width(), s.height());
        p.drawImage(target, bitmap_);
    }

    // Inner shadow: a blurred frame around a rounded hole moved right and down,
    // so the top and left inner edges darken.
    const qreal dpr = devicePixelRatioF();
    const QSize px = (R.size() * dpr).toSize();
    if (innerShadow_.size() != px || innerShadowLight_ != lightTheme_) {
        innerShadowLight_ = lightTheme_;
        innerShadow_ = QImage(px, QImage::Format_ARGB32_Premultiplied);
        innerShadow_.fill(Qt::transparent);
        {
            QPainter sp(&innerShadow_);
            sp.setRenderHint(QPainter::Antialiasing);
            sp.scale(dpr, dpr);
            QPainterPath frame;
            frame.setFillRule(Qt::OddEvenFill);
            frame.addRect(R.adjusted(-80, -80, 80, 80));
            frame.addRoundedRect(inner.translated(Dp(6), Dp(6)), radius, radius);
            sp.fillPath(frame, QColor::fromRgba(lightTheme_ ? kLightShadowPreviewFrame : kShadowPreviewFrame));
        }
        BlurImage(innerShadow_, Dp(10) * dpr);
        innerShadow_.setDevicePixelRatio(dpr);
    }
    p.drawImage(QPointF(0, 0), innerShadow_);

    // Rounded corners in the panel colour.
    QPainterPath corners;
    corners.setFillRule(Qt::OddEvenFill);
    corners.addRect(R.adjusted(-4, -4, 4, 4));
    corners.addRoundedRect(inner, radius, radius);
    p.fillPath(corners, qcolour("corner"));

    PaintProgressRing(p, R.center(), ringRadius_, ringPercent_, qcolour("ring"), Dp(3));
}

void TPreviewImage::mousePressEvent(QMouseEvent* e)
{
    Q_EMIT mousePressed(e);
    e->accept();
}

void TPreviewImage::mouseMoveEvent(QMouseEvent* e)
{
    Q_EMIT mouseMoved(e);
    e->accept();
}

void TPreviewImage::mouseReleaseEvent(QMouseEvent* e)
{
    Q_EMIT mouseReleased(e);
    e->accept();
}

void TPreviewImage::wheelEvent(QWheelEvent* e)
{
    Q_EMIT wheelTurned(e);
    e->accept();
}

} // namespace pv
