#include "platform/widgets/Label.h"

#include "platform/widgets/DesignColours.h"

#include <QMouseEvent>
#include <QPainter>

namespace pv {

TLabel::TLabel(const QString& english, QWidget* parent) : QWidget(parent)
{
    addColour("font", ColourKind::Text, kText);
    setAttribute(Qt::WA_TranslucentBackground);
    setFontSize(14);
    setClickable(false);
    setText(english);
}

void TLabel::setFontSize(double designPixels, int weight)
{
    QFont f = InterFont(designPixels, weight);
    f.setLetterSpacing(QFont::PercentageSpacing, font().letterSpacing() > 0 ? font().letterSpacing() : 100);
    setFont(f);
    updateGeometry();
    update();
}

void TLabel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void TLabel::setLetterSpacing(double percent)
{
    QFont f = font();
    f.setLetterSpacing(QFont::PercentageSpacing, percent);
    setFont(f);
    update();
}

void TLabel::setWordWrap(bool wrap)
{
    wordWrap_ = wrap;
    update();
}

void TLabel::setClickable(bool clickable)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, !clickable);
}

QSize TLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 2, fm.height()};
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    QColor c = qcolour("font");
    if (!isEnabled())
        c.setAlphaF(c.alphaF() * 0.45f);
    p.setPen(c);
    p.setFont(font());
    if (wordWrap_) {
        p.drawText(rect(), int(alignment_) | Qt::TextWordWrap, text());
        return;
    }
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, width());
    p.drawText(rect(), int(alignment_), shown);
}

void TLabel::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

void TLabel::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT clicked();
    e->accept();
}

void TLabel::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
    e->accept();
}

void TLabel::enterEvent(QEnterEvent* e)
{
    Q_EMIT hoverChanged(true);
    QWidget::enterEvent(e);
}

void TLabel::leaveEvent(QEvent* e)
{
    Q_EMIT hoverChanged(false);
    QWidget::leaveEvent(e);
}

} // namespace pv
