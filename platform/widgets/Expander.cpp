#include "platform/widgets/Expander.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/SvgIcon.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace pv {

QString ExpanderCaptionShown(const QString& stored)
{
    QString shown = stored;
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return shown.trimmed();
}

TExpander::TExpander(QWidget* parent)
    : QWidget(parent), list_(new TItemList(this)), icon_(new TSvgIcon(this)), heightAnimation_(new QVariantAnimation(this))
{
    addColour("font", ColourKind::Text, kText);
    addColour("fontHover", ColourKind::Text, kTextBright);
    list_->setObjectName(QStringLiteral("list"));
    icon_->setObjectName(QStringLiteral("icon"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setFont(InterFont(15, QFont::DemiBold));
    heightAnimation_->setDuration(180);
    heightAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    connect(heightAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const double h = v.toDouble();
        const double closed = Dp(headerHeight_), open = Dp(expandedDesignHeight());
        chevron_ = open > closed ? (h - closed) / (open - closed) : 0;
        setFixedHeight(int(h + 0.5));
    });
    list_->hide();
    setFixedHeight(DpI(headerHeight_));
}

void TExpander::setHeaderHeight(double designHeight)
{
    headerHeight_ = designHeight;
    setExpanded(expanded_, false);
    resizeEvent(nullptr);
}

void TExpander::setListIndent(double designIndent)
{
    listIndent_ = designIndent;
    resizeEvent(nullptr);
}

double TExpander::expandedDesignHeight() const { return list_->itemHeight() * list_->count() + headerHeight_; }

QSize TExpander::sizeHint() const
{
    return {DpI(listIndent_ + 175), DpI(expanded_ ? expandedDesignHeight() : headerHeight_)};
}

void TExpander::setExpanded(bool expanded, bool animate)
{
    const bool changed = expanded != expanded_;
    expanded_ = expanded;
    const double target = Dp(expanded ? expandedDesignHeight() : headerHeight_);
    heightAnimation_->stop();
    if (expanded)
        list_->show();
    if (animate && changed && isVisible()) {
        heightAnimation_->setStartValue(double(height()));
        heightAnimation_->setEndValue(target);
        heightAnimation_->start();
        if (!expanded)
            connect(heightAnimation_, &QVariantAnimation::finished, list_, [this] {
                if (!expanded_)
                    list_->hide();
            }, Qt::SingleShotConnection);
    } else {
        chevron_ = expanded ? 1 : 0;
        setFixedHeight(int(target + 0.5));
        list_->setVisible(expanded);
        resizeEvent(nullptr);
    }
    update();
    if (changed)
        Q_EMIT expandedChanged(expanded);
}

QRect TExpander::headerRect() const { return {0, 0, width(), DpI(headerHeight_)}; }

void TExpander::resizeEvent(QResizeEvent*)
{
    const int header = DpI(headerHeight_);
    const int iconSize = DpI(18);
    icon_->setGeometry(DpI(4), (header - iconSize) / 2, iconSize, iconSize);
    list_->setGeometry(DpI(listIndent_), header, std::min(DpI(175), width() - DpI(listIndent_)),
                       DpI(list_->itemHeight() * list_->count()));
}

int TExpander::headerTextWidth() const { return fontMetrics().horizontalAdvance(ExpanderCaptionShown(text())); }

int TExpander::headerTextRoom() const { return headerRect().width() - DpI(32) - DpI(24); }

void TExpander::setHeaderTextScroll(bool on, double x)
{
    if (scrolling_ == on && scrollX_ == x)
        return;
    scrolling_ = on;
    scrollX_ = on ? x : 0;
    update(headerRect());
}

void TExpander::coloursChanged()
{
    icon_->setOverrideColour(colour(headerHovered_ ? "fontHover" : "font"));
    update();
}

void TExpander::textChanged()
{
    updateGeometry();
    update();
}

void TExpander::setHeaderHovered(bool hovered)
{
    if (headerHovered_ == hovered)
        return;
    headerHovered_ = hovered;
    coloursChanged();
    Q_EMIT hoverChanged(hovered);
}

void TExpander::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect header = headerRect();
    const QColor fontColour = qcolour(headerHovered_ ? "fontHover" : "font");
    p.setFont(font());
    p.setPen(fontColour);
    const int textLeft = DpI(32);
    const int chevronSpace = DpI(24);
    const QRect textRect = header.adjusted(textLeft, 0, -chevronSpace, 0);
    if (scrolling_) {
        p.save();
        p.setClipRect(textRect);
        const QRect moved(textRect.left() + int(std::lround(scrollX_)), textRect.top(), headerTextWidth() + 4,
                          textRect.height());
        p.drawText(moved, Qt::AlignLeft | Qt::AlignVCenter, ExpanderCaptionShown(text()));
        p.restore();
    } else {
        const QString shown = fontMetrics().elidedText(ExpanderCaptionShown(text()), Qt::ElideRight, textRect.width());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

    // Chevron: points down when closed, up when open.
    const QPointF c(header.right() - Dp(12), header.center().y() + 0.5);
    const double s = Dp(4);
    p.save();
    p.translate(c);
    p.rotate(180.0 * chevron_);
    QPainterPath path;
    path.moveTo(-s, -s / 2);
    path.lineTo(0, s / 2);
    path.lineTo(s, -s / 2);
    QColor chevronColour = fontColour;
    chevronColour.setAlphaF(0.7f);
    p.setPen(QPen(chevronColour, Dp(1.6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();

    if (hasFocus() && keyboardFocus()) {
        p.setPen(QPen(QColor(0x61, 0xB9, 0xD2, 140), Dp(1)));
        p.drawRoundedRect(QRectF(header).adjusted(0.5, 0.5, -0.5, -0.5), Dp(6), Dp(6));
    }
}

void TExpander::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton && headerRect().contains(e->position().toPoint());
    e->accept();
}

void TExpander::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && headerRect().contains(e->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT headerClicked();
    e->accept();
}

void TExpander::mouseMoveEvent(QMouseEvent* e)
{
    const bool over = headerRect().contains(e->position().toPoint());
    setHeaderHovered(over);
    setCursor(over ? Qt::PointingHandCursor : Qt::ArrowCursor);
    e->accept();
}

void TExpander::leaveEvent(QEvent* e)
{
    setHeaderHovered(false);
    QWidget::leaveEvent(e);
}

void TExpander::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TExpander::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

} // namespace pv
