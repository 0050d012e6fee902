#include "platform/widgets/Button.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/SvgIcon.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace pv {
namespace {

QColor Mix(QColor a, QColor b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

} // namespace

TButton::TButton(const QString& english, Look look, QWidget* parent)
    : QWidget(parent), look_(look), hoverAnimation_(new QVariantAnimation(this))
{
    // The three looks are the style's "primarybuttonstyle", "mybuttonstyle"
    // and "ghostbuttonstyle", with their colours in both themes.
    switch (look) {
    case Look::Primary:
        addStyledColour("fill", kAccent, kAccent);
        addStyledColour("fillHover", kAccentHover, kAccentHover);
        addStyledColour("stroke", kColorTransparent, kColorTransparent);
        addStyledColour("font", kTextOnAccent, kLightTextOnAccent);
        addStyledColour("fontHover", kTextOnAccentHover, kLightTextOnAccentHover);
        break;
    case Look::Standard:
        addStyledColour("fill", kPanelRaised, kLightButton);
        addStyledColour("fillHover", kPanelRaisedHover, kLightButtonHover);
        addStyledColour("stroke", kColorTransparent, kColorTransparent);
        addStyledColour("font", kText, kLightText);
        addStyledColour("fontHover", kTextBright, kLightTextHover);
        break;
    case Look::Ghost:
        addStyledColour("fill", kOverlayClear, kColorTransparent);
        addStyledColour("fillHover", kOverlayHover, kOverlayDarkHover);
        addStyledColour("stroke", kOverlayOutline, kOverlayDarkOutline);
        addStyledColour("font", kTextSubtle, kLightText);
        addStyledColour("fontHover", kTextBright, kLightTextHover);
        break;
    }
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(InterFont(16, QFont::Medium));
    hoverAnimation_->setDuration(200);
    connect(hoverAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        hover_ = v.toDouble();
        update();
    });
    setText(english);
}

void TButton::setFontSize(double designPixels, int weight)
{
    setFont(InterFont(designPixels, weight));
    updateGeometry();
}

void TButton::setFittedFont(double pixels, bool wrap)
{
    wrap_ = wrap;
    TControl::setFittedFont(pixels, wrap);
}

void TButton::setRadius(double designRadius)
{
    radius_ = designRadius;
    update();
}

QSize TButton::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + DpI(40), DpI(36)};
}

void TButton::animateHover(bool hovered)
{
    hoverAnimation_->stop();
    hoverAnimation_->setStartValue(hover_);
    hoverAnimation_->setEndValue(hovered ? 1.0 : 0.0);
    hoverAnimation_->start();
}

void TButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = down_ ? 1.0 : hover_;
    QColor fill = Mix(qcolour("fill"), qcolour("fillHover"), t);
    QColor textColour = Mix(qcolour("font"), qcolour("fontHover"), down_ || (hasFocus() && keyboardFocus()) ? 1.0 : t);
    if (!isEnabled()) {
        fill.setAlphaF(fill.alphaF() * 0.5f);
        textColour.setAlphaF(textColour.alphaF() * 0.5f);
    }
    const double rad = std::min(Dp(radius_), height() / 2.0);
    QRectF r = rect();
    const QColor stroke = qcolour("stroke");
    if (stroke.alpha() > 0) {
        const double w = Dp(1.5);
        r.adjust(w / 2, w / 2, -w / 2, -w / 2);
        p.setPen(QPen(stroke, w));
    } else {
        p.setPen(Qt::NoPen);
    }
    p.setBrush(fill);
    p.drawRoundedRect(r, rad, rad);
    if (hasFocus() && keyboardFocus()) {
        p.setPen(QPen(QColor(0x61, 0xB9, 0xD2, 160), Dp(1.5)));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), rad, rad);
    }
    p.setPen(textColour);
    p.setFont(font());
    if (wrap_)
        p.drawText(rect().adjusted(DpI(4), 0, -DpI(4), 0), Qt::AlignCenter | Qt::TextWordWrap, text());
    else
        p.drawText(align_ & Qt::AlignLeft ? rect().adjusted(DpI(4), 0, 0, 0) : rect(), align_ | Qt::AlignVCenter,
                   fontMetrics().elidedText(text(), Qt::ElideRight, width() - DpI(8)));
}

void TButton::setTextAlignment(Qt::Alignment horizontal)
{
    horizontal &= Qt::AlignHorizontal_Mask;
    if (align_ == horizontal)
        return;
    align_ = horizontal;
    update();
}

void TButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    down_ = true;
    update();
    Q_EMIT pressed();
    e->accept();
}

void TButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !down_)
        return QWidget::mouseReleaseEvent(e);
    down_ = false;
    update();
    Q_EMIT released();
    if (rect().contains(e->position().toPoint()))
        Q_EMIT clicked();
    e->accept();
}

void TButton::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        Q_EMIT clicked();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TButton::enterEvent(QEnterEvent* e)
{
    animateHover(true);
    QWidget::enterEvent(e);
}

void TButton::leaveEvent(QEvent* e)
{
    animateHover(false);
    QWidget::leaveEvent(e);
}

void TButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(e);
}

// ------------------------------------------------------------------ icon button

TIconButton::TIconButton(QWidget* parent) : QWidget(parent), icon_(new TSvgIcon(this))
{
    addColour("iconHover", ColourKind::Text, kTextBright);
    addColour("hoverFill", ColourKind::Fill, kOverlayHover);
    icon_->setObjectName(QStringLiteral("icon"));
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void TIconButton::setIconSize(double designSize)
{
    iconSize_ = designSize;
    resizeEvent(nullptr);
}

void TIconButton::resizeEvent(QResizeEvent*)
{
    const int s = DpI(iconSize_);
    icon_->setGeometry((width() - s) / 2, (height() - s) / 2, s, s);
}

void TIconButton::paintEvent(QPaintEvent*)
{
    if (!hovered_ && !(hasFocus() && keyboardFocus()))
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(qcolour("hoverFill"));
    const double rad = Dp(10);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), rad, rad);
}

void TIconButton::mousePressEvent(QMouseEvent* e)
{
    down_ = e->button();
    e->accept();
    Q_EMIT pressed(e->button());
}

void TIconButton::mouseReleaseEvent(QMouseEvent* e)
{
    const bool inside = rect().contains(e->position().toPoint());
    if (inside && down_ == e->button()) {
        if (e->button() == Qt::LeftButton)
            Q_EMIT clicked();
        else if (e->button() == Qt::RightButton)
            Q_EMIT rightClicked();
    }
    down_ = Qt::NoButton;
    e->accept();
    Q_EMIT released(e->button());
}

void TIconButton::enterEvent(QEnterEvent* e)
{
    hovered_ = true;
    restColour_ = icon_->designColour("icon");
    icon_->setOverrideColour(colour("iconHover"));
    update();
    QWidget::enterEvent(e);
    Q_EMIT hoverChanged(true);
}

void TIconButton::leaveEvent(QEvent* e)
{
    hovered_ = false;
    icon_->setOverrideColour(restColour_);
    update();
    QWidget::leaveEvent(e);
    Q_EMIT hoverChanged(false);
}

void TButton::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TButton::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

void TIconButton::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TIconButton::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

} // namespace pv
