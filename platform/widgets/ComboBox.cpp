#include "platform/widgets/ComboBox.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Popup.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace pv {

// The open list: a child of the combo box's window, drawn with the combo's
// colours, closed by a choice, Esc, or a press anywhere outside it.
class TComboPopup : public QWidget {
public:
    explicit TComboPopup(TComboBox* combo) : QWidget(combo->window()), combo_(combo)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setMouseTracking(true);
        setCursor(Qt::PointingHandCursor);
        setFont(combo->font());
        hovered_ = combo->itemIndex();
        watcher_ = new TPopupWatcher(this, [combo] { combo->hidePopup(); });
    }

    void place()
    {
        QWidget* win = parentWidget();
        const int rows = std::min(combo_->count(), combo_->maxVisibleItems());
        const int pad = DpI(4);
        const int h = DpI(combo_->itemHeight() * rows) + 2 * pad;
        int w = combo_->width();
        const QFontMetrics fm(font());
        for (const QString& s : combo_->items())
            w = std::max(w, fm.horizontalAdvance(s) + DpI(24) + 2 * pad);
        w = std::min(w, win->width());
        setGeometry(QRect(PopupPosition(combo_, QSize(w, h), DpI(4)), QSize(w, h)));
        first_ = 0;
        showRow(hovered_);
    }

    int rowAt(QPointF p) const
    {
        const double y = p.y() - DpI(4);
        if (y < 0 || p.x() < 0 || p.x() >= width())
            return -1;
        const int row = first_ + int(y / Dp(combo_->itemHeight()));
        return row < std::min(combo_->count(), first_ + visibleRows()) ? row : -1;
    }

    int visibleRows() const { return std::min(combo_->count(), combo_->maxVisibleItems()); }

    void showRow(int row)
    {
        if (row < 0)
            return;
        if (row < first_)
            first_ = row;
        else if (row >= first_ + visibleRows())
            first_ = row - visibleRows() + 1;
        update();
    }

    void moveHover(int delta)
    {
        const int n = combo_->count();
        if (n == 0)
            return;
        hovered_ = std::clamp(hovered_ < 0 ? (delta > 0 ? 0 : n - 1) : hovered_ + delta, 0, n - 1);
        showRow(hovered_);
    }

    int hovered() const { return hovered_; }
    void stopWatching() { watcher_->stop(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const double r = Dp(8);
        p.setPen(QPen(combo_->qcolour("popupStroke"), Dp(1)));
        p.setBrush(combo_->qcolour("popupFill"));
        p.drawRoundedRect(box, r, r);
        const double pad = Dp(4);
        const double h = Dp(combo_->itemHeight());
        p.setFont(font());
        for (int i = first_; i < std::min(combo_->count(), first_ + visibleRows()); ++i) {
            const QRectF row(pad, pad + (i - first_) * h, width() - 2 * pad, h);
            const bool selected = i == combo_->itemIndex();
            if (i == hovered_ || selected) {
                p.setPen(Qt::NoPen);
                p.setBrush(combo_->qcolour(i == hovered_ ? "hoverFill" : "selectionFill"));
                p.drawRoundedRect(row, Dp(6), Dp(6));
            }
            p.setPen(combo_->qcolour(selected || i == hovered_ ? "fontSelected" : "font"));
            const QRectF textRect = row.adjusted(Dp(10), 0, -Dp(10), 0);
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                       fontMetrics().elidedText(combo_->items()[i], Qt::ElideRight, int(textRect.width())));
        }
        if (combo_->count() > visibleRows()) {
            // A thin bar tells how far the list is scrolled.
            const double track = height() - 4 * pad;
            const double len = track * visibleRows() / combo_->count();
            const double top = 2 * pad + (track - len) * first_ / std::max(1, combo_->count() - visibleRows());
            p.setPen(Qt::NoPen);
            p.setBrush(combo_->qcolour("hoverFill"));
            p.drawRoundedRect(QRectF(width() - pad - Dp(3), top, Dp(3), len), Dp(1.5), Dp(1.5));
        }
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        const int row = rowAt(e->position());
        if (row >= 0 && row != hovered_) {
            hovered_ = row;
            update();
        }
    }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        const int row = rowAt(e->position());
        if (e->button() == Qt::LeftButton && row >= 0)
            combo_->choose(row);
        e->accept();
    }

    void mousePressEvent(QMouseEvent* e) override { e->accept(); }

    void wheelEvent(QWheelEvent* e) override
    {
        const int dy = e->angleDelta().y();
        if (dy != 0) {
            first_ = std::clamp(first_ + (dy > 0 ? -1 : 1), 0, std::max(0, combo_->count() - visibleRows()));
            update();
        }
        e->accept();
    }

private:
    TComboBox* combo_;
    TPopupWatcher* watcher_;
    int hovered_ = -1;
    int first_ = 0;
};

TComboBox::TComboBox(QWidget* parent) : QWidget(parent)
{
    addColour("fill", ColourKind::Fill, kPanelField);
    addColour("stroke", ColourKind::Fill, kBorder);
    addColour("strokeHover", ColourKind::Fill, kAccent);
    addColour("font", ColourKind::Text, kText);
    addColour("fontSelected", ColourKind::Text, kTextBright);
    addColour("arrow", ColourKind::Text, kTextSubtle);
    addColour("popupFill", ColourKind::Fill, kPanelPopup);
    addColour("popupStroke", ColourKind::Fill, kBorder);
    addColour("hoverFill", ColourKind::Fill, kOverlayHoverStrong);
    addColour("selectionFill", ColourKind::Fill, kAccentSelection);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(InterFont(14));
}

TComboBox::~TComboBox() { delete popup_.data(); }

void TComboBox::setItems(const QStringList& english)
{
    hidePopup();
    sourceItems_ = english;
    shownItems_ = english;
    if (itemIndex_ >= count())
        itemIndex_ = -1;
    updateGeometry();
    update();
}

void TComboBox::setItemDisplayText(int index, const QString& shown)
{
    if (index < 0 || index >= count())
        return;
    shownItems_[index] = shown;
    update();
    if (popup_)
        popup_->update();
}

void TComboBox::setItemIndex(int index)
{
    if (index < -1 || index >= count())
        index = -1;
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    update();
}

QString TComboBox::currentText() const { return itemIndex_ >= 0 ? shownItems_[itemIndex_] : QString(); }

void TComboBox::setFontSize(double designPixels, int weight)
{
    setFont(InterFont(designPixels, weight));
    updateGeometry();
    update();
}

void TComboBox::choose(int index)
{
    hidePopup();
    if (index < 0 || index >= count() || index == itemIndex_)
        return;
    itemIndex_ = index;
    update();
    Q_EMIT changed(index);
}

void TComboBox::showPopup()
{
    if (popup_ || count() == 0 || !isEnabled())
        return;
    auto* p = new TComboPopup(this);
    popup_ = p;
    p->place();
    p->show();
    p->raise();
    update();
}

void TComboBox::hidePopup()
{
    if (!popup_)
        return;
    TComboPopup* p = openPopup();
    popup_ = nullptr;
    p->stopWatching();
    p->hide();
    p->deleteLater();
    update();
}

QWidget* TComboBox::popup() const { return popup_; }

TComboPopup* TComboBox::openPopup() const { return static_cast<TComboPopup*>(popup_.data()); }

QSize TComboBox::sizeHint() const
{
    const QFontMetrics fm(font());
    int w = 0;
    for (const QString& s : shownItems_)
        w = std::max(w, fm.horizontalAdvance(s));
    return {w + DpI(44), DpI(30)};
}

void TComboBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    const double r = std::min(Dp(8), height() / 2.0);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool lit = hovered_ || popup_ || (hasFocus() && keyboardFocus());
    p.setPen(QPen(qcolour(lit ? "strokeHover" : "stroke"), Dp(1)));
    p.setBrush(qcolour("fill"));
    p.drawRoundedRect(box, r, r);
    // Chevron, pointing up while the list is open.
    const double cx = width() - Dp(14), cy = height() / 2.0, a = Dp(4);
    const double dir = popup_ ? -1 : 1;
    QPainterPath chevron;
    chevron.moveTo(cx - a, cy - dir * a / 2);
    chevron.lineTo(cx, cy + dir * a / 2);
    chevron.lineTo(cx + a, cy - dir * a / 2);
    p.setPen(QPen(qcolour("arrow"), Dp(1.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(chevron);
    p.setPen(qcolour("font"));
    p.setFont(font());
    const QRectF textRect(Dp(10), 0, width() - Dp(10) - Dp(26), height());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(currentText(), Qt::ElideRight, int(textRect.width())));
}

void TComboBox::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    if (popup_)
        hidePopup();
    else
        showPopup();
    e->accept();
}

void TComboBox::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (popup_) {
        switch (key) {
        case Qt::Key_Up:
            openPopup()->moveHover(-1);
            break;
        case Qt::Key_Down:
            openPopup()->moveHover(1);
            break;
        case Qt::Key_PageUp:
            openPopup()->moveHover(-maxVisible_);
            break;
        case Qt::Key_PageDown:
            openPopup()->moveHover(maxVisible_);
            break;
        case Qt::Key_Home:
            openPopup()->moveHover(-count());
            break;
        case Qt::Key_End:
            openPopup()->moveHover(count());
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            choose(openPopup()->hovered());
            break;
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            hidePopup();
            break;
        default:
            return QWidget::keyPressEvent(e);
        }
        e->accept();
        return;
    }
    if (count() == 0)
        return QWidget::keyPressEvent(e);
    switch (key) {
    case Qt::Key_Up:
        if (e->modifiers() & Qt::AltModifier)
            return QWidget::keyPressEvent(e);
        choose(std::max(0, itemIndex_ - 1));
        break;
    case Qt::Key_Down:
        if (e->modifiers() & Qt::AltModifier)
            showPopup();
        else
            choose(std::min(count() - 1, itemIndex_ + 1));
        break;
    case Qt::Key_Home:
        choose(0);
        break;
    case Qt::Key_End:
        choose(count() - 1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F4:
        showPopup();
        break;
    default:
        return QWidget::keyPressEvent(e);
    }
    e->accept();
}

void TComboBox::wheelEvent(QWheelEvent* e)
{
    const int dy = e->angleDelta().y();
    if (popup_ || count() == 0 || dy == 0)
        return e->ignore();
    choose(std::clamp(itemIndex_ + (dy > 0 ? -1 : 1), 0, count() - 1));
    e->accept();
}

void TComboBox::enterEvent(QEnterEvent* e)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(e);
}

void TComboBox::leaveEvent(QEvent* e)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(e);
}

void TComboBox::hideEvent(QHideEvent* e)
{
    hidePopup();
    QWidget::hideEvent(e);
}

void TComboBox::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            hidePopup();
        update();
    }
    QWidget::changeEvent(e);
}

void TComboBox::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TComboBox::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    if (e->reason() != Qt::PopupFocusReason)
        hidePopup();
    QWidget::focusOutEvent(e);
}

} // namespace pv
