#include "platform/widgets/ProgressBar.h"

#include "platform/widgets/DesignColours.h"

#include <QPainter>
#include <QPropertyAnimation>

namespace pv {

double ProgressBarWidth(double stripWidth, double reserve, int value)
{
    return std::max(0.0, (stripWidth - reserve) * value / 100.0);
}

TProgressBar::TProgressBar(QWidget* parent)
    : QWidget(parent), widthAnimation_(new QPropertyAnimation(this, "barWidth", this)),
      labelXAnimation_(new QPropertyAnimation(this, "labelX", this)),
      labelOpacityAnimation_(new QPropertyAnimation(this, "labelOpacity", this))
{
    addColour("fill", ColourKind::Fill, kControlProgress);
    addColour("font", ColourKind::Text, kLightText);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(InterFont(12, QFont::DemiBold));
    widthAnimation_->setDuration(200);
    labelXAnimation_->setDuration(200);
    labelOpacityAnimation_->setDuration(1300);
}

double TProgressBar::labelWidth() const { return fontMetrics().horizontalAdvance(QStringLiteral("100%")) + Dp(12); }

QRectF TProgressBar::barRect() const { return {Dp(barX_), 0, barWidth_, double(height())}; }

void TProgressBar::showProgress(int value)
{
    if (!barShown_) {
        barShown_ = true;
        setBarWidth(0);
    }
    const double newWidth = ProgressBarWidth(width(), Dp(reserve_), value);
    targetWidth_ = newWidth;
    if (newWidth >= Dp(kLabelMinWidth)) {
        labelText_ = QString::number(value) + QLatin1Char('%');
        if (!labelShown_) {
            labelShown_ = true;
            setLabelX(Dp(barX_) + barWidth_ - labelWidth());
            setLabelOpacity(0);
            labelOpacityAnimation_->stop();
            labelOpacityAnimation_->setStartValue(0.0);
            labelOpacityAnimation_->setEndValue(1.0);
            labelOpacityAnimation_->start();
        }
        labelXAnimation_->stop();
        labelXAnimation_->setStartValue(labelX_);
        labelXAnimation_->setEndValue(Dp(barX_) + newWidth - labelWidth());
        labelXAnimation_->start();
    } else {
        labelXAnimation_->stop();
        labelShown_ = false;
    }
    widthAnimation_->stop();
    widthAnimation_->setStartValue(barWidth_);
    widthAnimation_->setEndValue(newWidth);
    widthAnimation_->start();
    update();
}

void TProgressBar::hideProgress()
{
    widthAnimation_->stop();
    labelXAnimation_->stop();
    labelOpacityAnimation_->stop();
    barShown_ = false;
    barWidth_ = targetWidth_ = 0;
    labelShown_ = false;
    labelOpacity_ = 1;
    labelText_.clear();
    update();
}

void TProgressBar::setBarWidth(double w)
{
    barWidth_ = w;
    update();
}

void TProgressBar::setLabelX(double x)
{
    labelX_ = x;
    update();
}

void TProgressBar::setLabelOpacity(double o)
{
    labelOpacity_ = o;
    update();
}

void TProgressBar::paintEvent(QPaintEvent*)
{
    if (!barShown_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = barRect();
    if (bar.width() > 0) {
        p.setOpacity(0.8);
        p.setPen(Qt::NoPen);
        p.setBrush(qcolour("fill"));
        const double r = std::min(bar.height(), bar.width()) / 2;
        p.drawRoundedRect(bar, r, r);
    }
    if (labelShown_ && !labelText_.isEmpty()) {
        p.setOpacity(labelOpacity_);
        p.setPen(qcolour("font"));
        p.setFont(font());
        p.drawText(QRectF(labelX_, 0, labelWidth() - Dp(6), height()), Qt::AlignRight | Qt::AlignVCenter, labelText_);
    }
}

} // namespace pv
