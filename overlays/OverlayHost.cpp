#include "overlays/OverlayHost.h"

#include "platform/graphics/SkBlur.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QWheelEvent>

#include <cmath>
#include <new>

namespace pv {

namespace {
constexpr float kBackdropSigma = 10.0f;
constexpr double kBackdropRadius = 15.0;
const QColor kBackdropShade(0, 0, 0, 100);
} // namespace

QImage MakeOverlayBackdrop(const QImage& capture, double scale)
{
    if (capture.isNull())
        return capture;
    try {
        QImage blurred = capture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage out(capture.size(), QImage::Format_ARGB32_Premultiplied);
        if (blurred.isNull() || out.isNull())
            return capture;
        const SkPlane plane{blurred.bits(), blurred.width(), blurred.height(), size_t(blurred.bytesPerLine()), 4};
        GaussianBlur(plane, plane, kBackdropSigma, kBackdropSigma, SkTileMode::kClamp);
        out.fill(Qt::transparent);
        QPainter painter(&out);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        const double r = kBackdropRadius * scale;
        clip.addRoundedRect(QRectF(out.rect()), r, r);
        painter.fillPath(clip, QBrush(blurred));
        painter.fillPath(clip, kBackdropShade);
        painter.end();
        out.setDevicePixelRatio(capture.devicePixelRatio());
        return out;
    } catch (const std::bad_alloc&) {
        return capture;
    }
}

QImage CaptureWindow(QWidget* window, const QWidget* skip, double scale)
{
    const QSize size(int(std::lround(window->width() * scale)), int(std::lround(window->height() * scale)));
    QImage capture(size, QImage::Format_ARGB32_Premultiplied);
    if (capture.isNull())
        return capture;
    capture.setDevicePixelRatio(scale);
    capture.fill(Qt::transparent);
    QPainter painter(&capture);
    for (QObject* object : window->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child == skip || child->isWindow() || child->isHidden())
            continue;
        child->render(&painter, child->pos(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    return capture;
}

TOverlayHost::TOverlayHost(QWidget* window) : QWidget(window), window_(window)
{
    setObjectName(QStringLiteral("layOverlayContainer"));
    setGeometry(window->rect());
    window->installEventFilter(this);
    hide();
}

QWidget* TOverlayHost::ActiveOverlayFrame() const { return isVisible() && !filling_ ? panel_.data() : nullptr; }

void TOverlayHost::Evict()
{
    if (onEvicted_) {
        // The occupant closes itself as its own close would (it may close
        // the layer on the way).
        const auto evicted = std::move(onEvicted_);
        onEvicted_ = {};
        evicted();
    }
    if (QWidget* old = panel_.data()) {
        if (OnPanelClosing)
            OnPanelClosing(old);
        old->hide();
        old->deleteLater();
    }
    panel_.clear();
    filling_ = false;
}

void TOverlayHost::Adopt(QWidget* panel)
{
    panel_ = panel;
    panel->setParent(this);
    if (OnPanelShown)
        OnPanelShown(panel);
    setGeometry(window_->rect());
    Place();
    panel->show();
    show();
    raise();
}

void TOverlayHost::ShowOverlayFrame(QWidget* panel)
{
    if (!panel)
        return;
    Evict();
    // The layer itself stays out of its own backdrop.
    hide();
    const double scale = window_->devicePixelRatioF();
    backdrop_ = MakeOverlayBackdrop(CaptureWindow(window_, this, scale), scale);
    Adopt(panel);
}

void TOverlayHost::ShowFilling(QWidget* panel, std::function<void()> onEvicted)
{
    if (!panel)
        return;
    Evict();
    backdrop_ = QImage();
    filling_ = true;
    onEvicted_ = std::move(onEvicted);
    Adopt(panel);
}

void TOverlayHost::CloseOverlay()
{
    hide();
    onEvicted_ = {};
    Evict();
    backdrop_ = QImage();
    if (OnClosed)
        OnClosed();
}

void TOverlayHost::PostCloseOverlay()
{
    QMetaObject::invokeMethod(this, [this] { CloseOverlay(); }, Qt::QueuedConnection);
}

void TOverlayHost::Place()
{
    QWidget* panel = panel_.data();
    if (!panel)
        return;
    if (filling_)
        panel->setGeometry(rect());
    else
        panel->move((width() - panel->width()) / 2, (height() - panel->height()) / 2);
}

bool TOverlayHost::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Resize)
        setGeometry(window_->rect());
    return QWidget::eventFilter(watched, event);
}

void TOverlayHost::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Place();
}

void TOverlayHost::paintEvent(QPaintEvent*)
{
    if (backdrop_.isNull())
        return;
    // Stretched over the layer when the window has been resized since.
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), backdrop_, QRectF(backdrop_.rect()));
}

// Clicks that miss the panel go nowhere.
void TOverlayHost::mousePressEvent(QMouseEvent* e) { e->accept(); }
void TOverlayHost::mouseReleaseEvent(QMouseEvent* e) { e->accept(); }
void TOverlayHost::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }
void TOverlayHost::wheelEvent(QWheelEvent* e) { e->accept(); }

} // namespace pv
