#include "platform/widgets/FloatingPanel.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace pv {

TCloseBox::TCloseBox(QWidget* parent) : QWidget(parent)
{
    // The cross: white on dark panels, dark slate in the light theme.
    addColour("cross", ColourKind::Text, kTextBright);
    addColour("hoverFill", ColourKind::Fixed, kStateClose);
    addColour("crossHover", ColourKind::Fixed, kTextBright);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    resize(sizeHint());
}

QSize TCloseBox::sizeHint() const { return {DpI(26), DpI(26)}; }

void TCloseBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Focused from the keyboard (in a window without a ring), it looks hovered.
    const bool lit = hovered_ || keyboardFocus();
    if (lit) {
        p.setPen(Qt::NoPen);
        p.setBrush(qcolour("hoverFill"));
        p.drawRoundedRect(rect(), Dp(6), Dp(6));
    }
    // An 18 x 18 icon drawn on a 24-unit grid: two diagonals, round caps.
    const double icon = Dp(18), unit = icon / 24.0;
    const QPointF o((width() - icon) / 2, (height() - icon) / 2);
    p.setPen(QPen(qcolour(lit ? "crossHover" : "cross"), 2 * unit, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.drawLine(o + QPointF(6, 6) * unit, o + QPointF(18, 18) * unit);
    p.drawLine(o + QPointF(18, 6) * unit, o + QPointF(6, 18) * unit);
}

void TCloseBox::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

void TCloseBox::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    e->accept();
    if (click)
        Q_EMIT clicked();
}

void TCloseBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        Q_EMIT clicked();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TCloseBox::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TCloseBox::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

void TCloseBox::enterEvent(QEnterEvent* e)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(e);
}

void TCloseBox::leaveEvent(QEvent* e)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(e);
}

// ------------------------------------------------------------------ panel

TFloatingPanel::TFloatingPanel(QWidget* parent) : TRoundedPanel(parent), closeBox_(new TCloseBox(this))
{
    closeBox_->setObjectName(QStringLiteral("closeBox"));
    setFillColour(kPanelPopup);
    setRadius(15);
    setShadow(restingShadow_);
    setCursor(Qt::SizeAllCursor);
    connect(closeBox_, &TCloseBox::clicked, this, [this] {
        endDrag();
        hide();
        Q_EMIT closeClicked();
    });
}

void TFloatingPanel::setTitle(const QString& english)
{
    if (!title_) {
        title_ = new TLabel({}, this);
        title_->setObjectName(QStringLiteral("title"));
        title_->setFontSize(14, QFont::DemiBold);
        title_->setFontColour(kTextBright);
    }
    title_->setText(english);
    resizeEvent(nullptr);
}

void TFloatingPanel::setRestingShadow(const TShadow& shadow)
{
    restingShadow_ = shadow;
    if (!dragging_)
        setShadow(shadow);
}

void TFloatingPanel::setTitleBand(double designHeight, TAlphaColor dark, TAlphaColor light)
{
    titleBand_ = std::max(0.0, designHeight);
    setStyledColour("titleBand", dark, light);
    update();
}

void TFloatingPanel::paintEvent(QPaintEvent* e)
{
    TRoundedPanel::paintEvent(e);
    if (titleBand_ <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The band's own outline, so its rounded top corners are smooth.
    QPainterPath shape, band;
    shape.addRoundedRect(QRectF(rect()), radiusPixels(), radiusPixels());
    band.addRect(QRectF(0, 0, width(), std::min<double>(height(), Dp(titleBand_))));
    p.setPen(Qt::NoPen);
    p.setBrush(qcolour("titleBand"));
    p.drawPath(shape.intersected(band));
}

void TFloatingPanel::resizeEvent(QResizeEvent* e)
{
    closeBox_->setGeometry(width() - DpI(26) - DpI(8), DpI(8), DpI(26), DpI(26));
    closeBox_->raise();
    if (title_)
        title_->setGeometry(DpI(16), DpI(11), std::max(1, width() - DpI(16) - DpI(26 + 8 + 8)), DpI(20));
    if (e)
        TRoundedPanel::resizeEvent(e);
}

void TFloatingPanel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return TRoundedPanel::mousePressEvent(e);
    dragging_ = true;
    lastGlobal_ = e->globalPosition();
    setShadow({});
    auto* fade = new QGraphicsOpacityEffect(this);
    fade->setOpacity(0.75);
    setGraphicsEffect(fade);
    e->accept();
}

void TFloatingPanel::mouseMoveEvent(QMouseEvent* e)
{
    if (!dragging_)
        return TRoundedPanel::mouseMoveEvent(e);
    const QPointF g = e->globalPosition();
    QPoint to = pos() + (g - lastGlobal_).toPoint();
    lastGlobal_ = g;
    // The panel stays inside the window whenever it fits, so it can never be
    // dragged out of reach.
    if (const QWidget* host = parentWidget()) {
        to.setX(std::clamp(to.x(), 0, std::max(0, host->width() - width())));
        to.setY(std::clamp(to.y(), 0, std::max(0, host->height() - height())));
    }
    if (to != pos()) {
        move(to);
        Q_EMIT moved();
    }
    e->accept();
}

void TFloatingPanel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && dragging_) {
        endDrag();
        e->accept();
        return;
    }
    TRoundedPanel::mouseReleaseEvent(e);
}

void TFloatingPanel::endDrag()
{
    if (!dragging_)
        return;
    dragging_ = false;
    setGraphicsEffect(nullptr);
    setShadow(restingShadow_);
}

} // namespace pv
