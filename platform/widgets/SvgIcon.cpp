#include "platform/widgets/SvgIcon.h"

#include "platform/widgets/DesignColours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace pv {

TSvgIcon::TSvgIcon(QWidget* parent) : QWidget(parent), renderer_(new QSvgRenderer(this))
{
    addColour("icon", ColourKind::Icon, kText);
    setAttribute(Qt::WA_TranslucentBackground);
    setClickable(false);
}

void TSvgIcon::setClickable(bool clickable)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, !clickable);
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

TSvgIcon::~TSvgIcon() = default;

void TSvgIcon::setSource(const QString& path)
{
    renderer_->load(path);
    cache_ = QImage();
    update();
}

void TSvgIcon::setSvgData(const QByteArray& svg)
{
    renderer_->load(svg);
    cache_ = QImage();
    update();
}

void TSvgIcon::setRoundClip(bool round)
{
    if (roundClip_ == round)
        return;
    roundClip_ = round;
    cache_ = QImage();
    update();
}

bool TSvgIcon::hasDrawing() const { return renderer_->isValid(); }

void TSvgIcon::setOpacity(double opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (opacity_ == opacity)
        return;
    opacity_ = opacity;
    update();
}

void TSvgIcon::coloursChanged()
{
    cache_ = QImage();
    update();
}

QImage TSvgIcon::render(QSize pixelSize) const
{
    QImage img(pixelSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    if (!renderer_->isValid() || pixelSize.isEmpty())
        return img;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Keep the drawing's aspect, centred.
    QSizeF s = renderer_->defaultSize();
    if (s.isEmpty())
        s = QSizeF(pixelSize);
    s.scale(QSizeF(pixelSize), Qt::KeepAspectRatio);
    const QRectF target((pixelSize.width() - s.width()) / 2, (pixelSize.height() - s.height()) / 2, s.width(),
                        s.height());
    if (roundClip_) {
        QPainterPath circle;
        circle.addEllipse(QRectF(img.rect()));
        p.setClipPath(circle);
    }
    renderer_->render(&p, target);
    const TAlphaColor c = overrideColour();
    if (c != 0) {
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(img.rect(), ToQColor(c));
    }
    return img;
}

void TSvgIcon::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    const QSize px(qRound(width() * dpr), qRound(height() * dpr));
    if (cache_.size() != px) {
        cache_ = render(px);
        cache_.setDevicePixelRatio(dpr);
    }
    QPainter p(this);
    p.setOpacity(opacity_);
    p.drawImage(0, 0, cache_);
}

void TSvgIcon::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

void TSvgIcon::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT clicked();
    e->accept();
}

void TSvgIcon::enterEvent(QEnterEvent* e)
{
    Q_EMIT hoverChanged(true);
    QWidget::enterEvent(e);
}

void TSvgIcon::leaveEvent(QEvent* e)
{
    Q_EMIT hoverChanged(false);
    QWidget::leaveEvent(e);
}

} // namespace pv
