#include "platform/widgets/RoundedPanel.h"

#include "platform/widgets/DesignColours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <vector>

namespace pv {

namespace {

// One box pass of radius r along a line of n pixels (stride in pixels),
// transparent beyond both ends.
void BoxPass(uint32_t* line, int n, int stride, int r, std::vector<uint32_t>& scratch)
{
    scratch.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        scratch[size_t(i)] = line[size_t(i) * size_t(stride)];
    const int window = 2 * r + 1;
    uint32_t sum[4] = {0, 0, 0, 0};
    const auto add = [&](uint32_t p, int sign) {
        for (int c = 0; c < 4; ++c)
            sum[c] += uint32_t(sign) * ((p >> (8 * c)) & 0xFFu);
    };
    for (int i = 0; i < std::min(r, n); ++i)
        add(scratch[size_t(i)], 1);
    for (int i = 0; i < n; ++i) {
        if (i + r < n)
            add(scratch[size_t(i + r)], 1);
        if (i - r - 1 >= 0)
            add(scratch[size_t(i - r - 1)], -1);
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c)
            out |= ((sum[c] + uint32_t(window / 2)) / uint32_t(window)) << (8 * c);
        line[size_t(i) * size_t(stride)] = out;
    }
}

} // namespace

void BlurImage(QImage& image, double sigma)
{
    if (sigma <= 0 || image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Three box passes per axis come close to a Gaussian of this sigma.
    const int r = std::max(1, int(std::lround(std::sqrt(4.0 * sigma * sigma + 1.0) / 2.0 - 0.5)));
    const int w = image.width(), h = image.height();
    const int stride = image.bytesPerLine() / 4;
    auto* pixels = reinterpret_cast<uint32_t*>(image.bits());
    std::vector<uint32_t> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            BoxPass(pixels + size_t(y) * size_t(stride), w, 1, r, scratch);
        for (int x = 0; x < w; ++x)
            BoxPass(pixels + x, h, stride, r, scratch);
    }
}

QImage RoundedShadowImage(QSize rectSize, double radius, double sigma, TAlphaColor colour, int* margin)
{
    const int m = int(std::ceil(3 * sigma)) + 1;
    if (margin)
        *margin = m;
    QImage img(rectSize.width() + 2 * m, rectSize.height() + 2 * m, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return img;
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(colour));
        p.drawRoundedRect(QRectF(m, m, rectSize.width(), rectSize.height()), radius, radius);
    }
    BlurImage(img, sigma);
    return img;
}

// The shadow of one panel: a mouse-transparent sibling that follows it.
class TPanelShadow : public QWidget {
public:
    explicit TPanelShadow(TRoundedPanel* panel) : QWidget(panel->parentWidget()), panel_(panel)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

    int margin() const
    {
        const TShadow& s = panel_->shadow();
        return int(std::ceil(Dp(3 * s.blur + std::max(std::abs(s.dx), std::abs(s.dy)))));
    }

    void follow()
    {
        const int m = margin();
        setGeometry(panel_->geometry().adjusted(-m, -m, m, m));
        setVisible(!panel_->isHidden());
        stackUnder(panel_);
    }

    void invalidate()
    {
        cache_ = QImage();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const TShadow& s = panel_->shadow();
        if (s.blur <= 0)
            return;
        const qreal dpr = devicePixelRatioF();
        const QSize size = panel_->size();
        if (cache_.isNull() || cacheSize_ != size) {
            cacheSize_ = size;
            int margin = 0;
            cache_ = RoundedShadowImage((QSizeF(size) * dpr).toSize(), panel_->radiusPixels() * dpr, Dp(s.blur) * dpr,
                                        s.colour, &margin);
            cache_.setDevicePixelRatio(dpr);
            cacheMargin_ = margin / dpr;
        }
        const int m = this->margin();
        QPainter p(this);
        p.drawImage(QPointF(m - cacheMargin_ + Dp(s.dx), m - cacheMargin_ + Dp(s.dy)), cache_);
    }

private:
    TRoundedPanel* panel_;
    QImage cache_;
    QSize cacheSize_;
    double cacheMargin_ = 0;
};

TRoundedPanel::TRoundedPanel(QWidget* parent) : QWidget(parent)
{
    addColour("fill", ColourKind::Fill, kPanelRaised);
    addColour("stroke", ColourKind::Fill, kBorderPanel);
    setAttribute(Qt::WA_TranslucentBackground);
}

void TRoundedPanel::setStroke(TAlphaColor c, double designWidth)
{
    strokeWidth_ = designWidth;
    setColour("stroke", c);
    update();
}

void TRoundedPanel::setRadius(double designRadius)
{
    radius_ = designRadius;
    if (shadowWidget_)
        shadowWidget_->invalidate();
    update();
}

void TRoundedPanel::setShadow(const TShadow& shadow)
{
    shadow_ = shadow;
    syncShadow();
}

double TRoundedPanel::radiusPixels() const { return std::min(Dp(radius_), std::min(width(), height()) / 2.0); }

void TRoundedPanel::syncShadow()
{
    const bool wanted = shadow_.blur > 0 && parentWidget();
    if (!wanted) {
        delete shadowWidget_;
        shadowWidget_ = nullptr;
        return;
    }
    if (shadowWidget_ && shadowWidget_->parentWidget() != parentWidget()) {
        delete shadowWidget_;
        shadowWidget_ = nullptr;
    }
    if (!shadowWidget_)
        shadowWidget_ = new TPanelShadow(this);
    shadowWidget_->invalidate();
    shadowWidget_->follow();
}

void TRoundedPanel::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (shadowWidget_)
        shadowWidget_->follow();
}

void TRoundedPanel::moveEvent(QMoveEvent*)
{
    if (shadowWidget_)
        shadowWidget_->follow();
}

void TRoundedPanel::resizeEvent(QResizeEvent*)
{
    if (shadowWidget_) {
        shadowWidget_->invalidate();
        shadowWidget_->follow();
    }
}

void TRoundedPanel::showEvent(QShowEvent*)
{
    if (shadowWidget_)
        shadowWidget_->follow();
}

void TRoundedPanel::hideEvent(QHideEvent*)
{
    if (shadowWidget_)
        shadowWidget_->hide();
}

void TRoundedPanel::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::ParentChange)
        syncShadow();
    QWidget::changeEvent(e);
}

void TRoundedPanel::setHitTest(bool hitTest) { setAttribute(Qt::WA_TransparentForMouseEvents, !hitTest); }

void TRoundedPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const double rad = radiusPixels();
    p.setBrush(qcolour("fill"));
    if (strokeWidth_ > 0) {
        const double w = Dp(strokeWidth_);
        p.setPen(QPen(qcolour("stroke"), w));
        p.drawRoundedRect(r.adjusted(w / 2, w / 2, -w / 2, -w / 2), rad, rad);
    } else {
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(r, rad, rad);
    }
}

void TRoundedPanel::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

void TRoundedPanel::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT clicked();
    e->accept();
}

void TRoundedPanel::enterEvent(QEnterEvent* e)
{
    Q_EMIT hoverChanged(true);
    QWidget::enterEvent(e);
}

void TRoundedPanel::leaveEvent(QEvent* e)
{
    Q_EMIT hoverChanged(false);
    QWidget::leaveEvent(e);
}

} // namespace pv
