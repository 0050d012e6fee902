#include "platform/widgets/PaintBox.h"

#include <QPainter>

namespace pv {

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TPaintBox::setProgress(double progress)
{
    progress_ = progress;
    update();
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!draw_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    draw_(p, QRectF(rect()), progress_);
}

} // namespace pv
