#include "shell/FullScreenForm.h"

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/graphics/SkPaint.h"
#include "platform/widgets/DesignColours.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <new>

namespace pv {
namespace {

constexpr float kShadowOffsetY = 15.0f;
constexpr float kShadowSigma = 20.0f;
constexpr TAlphaColor kShadowColor = kShadowFullScreen;

// Draws the viewer's picture and closes the viewer on a click. The picture
// is rendered once per size; repaints only blit it.
class FullScreenPaintBox : public QWidget {
public:
    FullScreenPaintBox(TFullScreenForm* form) : QWidget(form), form_(form)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qreal dpr = devicePixelRatioF();
        if (frame_.isNull() || frame_.size() != (QSizeF(size()) * dpr).toSize()) {
            try {
                frame_ = RenderFullScreenFrame(form_->FImage, size(), form_->FSampling, dpr);
            } catch (const std::bad_alloc&) {
                frame_ = QImage();
            }
        }
        QPainter painter(this);
        if (frame_.isNull())
            painter.fillRect(rect(), Qt::white);
        else
            painter.drawImage(QPointF(0, 0), frame_);
    }
    void mousePressEvent(QMouseEvent* event) override { pressed_ = rect().contains(event->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        // A click is a press and a release here; the release of the
        // double-click that opened the viewer is not one.
        if (pressed_ && rect().contains(event->position().toPoint()))
            form_->close();
        pressed_ = false;
    }

private:
    TFullScreenForm* form_;
    QImage frame_;
    bool pressed_ = false;
};

} // namespace

QRectF FullScreenTargetRect(const QRectF& area, int w, int h)
{
    if (w <= 0 || h <= 0)
        return {};
    const QRectF inner = area.adjusted(kFullScreenMargin, kFullScreenMargin, -kFullScreenMargin, -kFullScreenMargin);
    const float s = std::min(float(inner.width()) / float(w), float(inner.height()) / float(h));
    const double tw = float(w) * s, th = float(h) * s;
    return {area.center().x() - tw / 2, area.center().y() - th / 2, tw, th};
}

QImage RenderFullScreenFrame(const ISkImage& image, QSize size, const SkSamplingOptions& sampling,
                             qreal devicePixelRatio)
{
    QImage frame((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (frame.isNull())
        throw std::bad_alloc();
    frame.setDevicePixelRatio(devicePixelRatio);
    frame.fill(Qt::white);
    const QRectF target = image ? FullScreenTargetRect(QRectF(QPointF(0, 0), size), image->width(), image->height())
                                : QRectF();
    if (target.isEmpty())
        return frame;
    SkCanvas canvas(&frame);
    canvas.scale(float(devicePixelRatio), float(devicePixelRatio));
    SkPaint paint;
    paint.setImageFilter(SkImageFilters::DropShadow(0, kShadowOffsetY, kShadowSigma, kShadowSigma, kShadowColor));
    canvas.drawImageRect(image,
                         SkRect::MakeXYWH(float(target.x()), float(target.y()), float(target.width()),
                                          float(target.height())),
                         sampling, &paint);
    return frame;
}

TFullScreenForm::TFullScreenForm(QWidget* owner, ISkImage image)
    : QDialog(owner, Qt::Window | Qt::FramelessWindowHint), FImage(std::move(image))
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    setGeometry(QRect(QPoint(0, 0), screen ? screen->geometry().size() : QSize(1024, 768)));
    // The whole display, not its work area: a full-screen state is what keeps
    // desktop panels from covering the picture.
    setWindowState(Qt::WindowFullScreen);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    FPB = new FullScreenPaintBox(this);
    FPB->setGeometry(rect());
    FPB->setFocus();
}

void TFullScreenForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FPB->setGeometry(rect());
}

void TFullScreenForm::keyPressEvent(QKeyEvent* event)
{
    // Only the release closes; a press alone (Esc included) does nothing.
    event->accept();
}

void TFullScreenForm::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    // A held key repeats as press and release pairs: only letting go closes.
    if (!event->isAutoRepeat())
        close();
}

} // namespace pv
