#include "platform/widgets/NumberBox.h"

#include "platform/system/NumberText.h"
#include "platform/widgets/DesignColours.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

namespace pv {

double TNumberFormat::clamp(double v) const
{
    if (std::isnan(v))
        return minimum;
    const double scale = std::pow(10.0, std::max(0, decimals));
    v = std::nearbyint(v * scale) / scale;
    return std::min(std::max(v, minimum), maximum);
}

QString TNumberFormat::format(double v) const { return FormatDecimal(v, std::max(0, decimals)); }

std::optional<double> TNumberFormat::parse(const QString& text)
{
    float v = 0;
    if (!TryStrToFloat(text, v))
        return std::nullopt;
    return double(v);
}

TNumberBox::TNumberBox(QWidget* parent) : TLineEdit(parent), repeat_(new QTimer(this))
{
    addColour("stepFont", ColourKind::Text, kText);
    addColour("stepHover", ColourKind::Fill, kOverlayHoverStrong);
    setMouseTracking(true);
    editor()->setText(format_.format(value_));
    connect(this, &TLineEdit::editingFinished, this, &TNumberBox::commitText);
    connect(repeat_, &QTimer::timeout, this, [this] {
        repeat_->setInterval(60);
        if (heldButton_ != 0)
            stepBy(heldButton_);
    });
}

int TNumberBox::intValue() const { return int(std::lround(value_)); }

void TNumberBox::setRange(double minimum, double maximum)
{
    format_.minimum = std::min(minimum, maximum);
    format_.maximum = std::max(minimum, maximum);
    setValue(value_);
}

void TNumberBox::setDecimals(int decimals)
{
    format_.decimals = std::max(0, decimals);
    setValue(value_);
}

void TNumberBox::setStepButtons(bool shown)
{
    stepButtons_ = shown;
    setEditorInsets(shown ? buttonWidth() : 0, shown ? buttonWidth() : 0);
    update();
}

int TNumberBox::buttonWidth() const { return std::max(DpI(22), height()); }

void TNumberBox::setValue(double value)
{
    value = format_.clamp(value);
    setEditText(format_.format(value));
    if (value == value_)
        return;
    value_ = value;
    Q_EMIT valueChanged(value_);
}

double TNumberBox::textValue() const { return TNumberFormat::parse(editText()).value_or(value_); }

void TNumberBox::commitText() { setValue(textValue()); }

void TNumberBox::stepBy(int steps) { setValue(format_.clamp(textValue()) + steps * step_); }

QSize TNumberBox::sizeHint() const { return {DpI(stepButtons_ ? 120 : 90), TLineEdit::sizeHint().height()}; }

int TNumberBox::buttonAt(QPointF p) const
{
    if (!stepButtons_ || !rect().contains(p.toPoint()))
        return 0;
    if (p.x() < buttonWidth())
        return -1;
    if (p.x() >= width() - buttonWidth())
        return 1;
    return 0;
}

void TNumberBox::resizeEvent(QResizeEvent* e)
{
    if (stepButtons_)
        setEditorInsets(buttonWidth(), buttonWidth());
    TLineEdit::resizeEvent(e);
}

void TNumberBox::paintEvent(QPaintEvent* e)
{
    TLineEdit::paintEvent(e);
    if (!stepButtons_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    const int bw = buttonWidth();
    const double r = radiusPixels();
    p.setFont(InterFont(18, QFont::Medium));
    for (int side : {-1, 1}) {
        const QRectF b = side < 0 ? QRectF(0, 0, bw, height()) : QRectF(width() - bw, 0, bw, height());
        if (side == hoveredButton_ && isEnabled()) {
            p.setPen(Qt::NoPen);
            p.setBrush(qcolour("stepHover"));
            p.drawRoundedRect(b.adjusted(Dp(3), Dp(3), -Dp(3), -Dp(3)), r * 0.7, r * 0.7);
        }
        p.setPen(qcolour("stepFont"));
        p.drawText(b, Qt::AlignCenter, side < 0 ? QStringLiteral("-") : QStringLiteral("+"));
    }
}

void TNumberBox::mousePressEvent(QMouseEvent* e)
{
    const int b = e->button() == Qt::LeftButton && isEnabled() ? buttonAt(e->position()) : 0;
    if (b == 0)
        return TLineEdit::mousePressEvent(e);
    heldButton_ = b;
    stepBy(b);
    repeat_->start(400);
    e->accept();
}

void TNumberBox::mouseReleaseEvent(QMouseEvent* e)
{
    heldButton_ = 0;
    repeat_->stop();
    TLineEdit::mouseReleaseEvent(e);
}

void TNumberBox::mouseMoveEvent(QMouseEvent* e)
{
    const int b = buttonAt(e->position());
    if (b != hoveredButton_) {
        hoveredButton_ = b;
        setCursor(b != 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
        update();
    }
    TLineEdit::mouseMoveEvent(e);
}

void TNumberBox::leaveEvent(QEvent* e)
{
    hoveredButton_ = 0;
    update();
    TLineEdit::leaveEvent(e);
}

void TNumberBox::wheelEvent(QWheelEvent* e)
{
    // Only a focused box takes the wheel, so panels still scroll under it.
    const int dy = e->angleDelta().y();
    if (!hasEditFocus() || dy == 0 || !isEnabled())
        return e->ignore();
    stepBy(dy > 0 ? 1 : -1);
    e->accept();
}

bool TNumberBox::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == editor() && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        const int steps = key == Qt::Key_Up ? 1 : key == Qt::Key_Down ? -1 : key == Qt::Key_PageUp ? 10
                          : key == Qt::Key_PageDown                     ? -10
                                                                        : 0;
        if (steps != 0) {
            stepBy(steps);
            return true;
        }
    }
    return TLineEdit::eventFilter(watched, e);
}

} // namespace pv
