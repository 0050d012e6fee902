#pragma once
// A progress bar that grows from the left of its strip with a 0.2 s width
// animation and carries its percentage on its right end. The strip is the
// widget; the bar spans the strip's width minus a reserve at full progress.

#include "platform/widgets/Control.h"

#include <QWidget>

class QPropertyAnimation;

namespace pv {

// Width of the bar for a value of 0..100: (stripWidth - reserve) * value / 100, at least 0.
double ProgressBarWidth(double stripWidth, double reserve, int value);

class TProgressBar : public QWidget, public TControl {
    Q_OBJECT
    Q_PROPERTY(double barWidth READ barWidth WRITE setBarWidth)
    Q_PROPERTY(double labelX READ labelX WRITE setLabelX)
    Q_PROPERTY(double labelOpacity READ labelOpacity WRITE setLabelOpacity)
public:
    explicit TProgressBar(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    // Design geometry: where the bar starts and what it leaves free at 100 %.
    void setBarOrigin(double designX) { barX_ = designX; }
    void setReserve(double designReserve) { reserve_ = designReserve; }
    // Below this bar width the label is hidden.
    static constexpr double kLabelMinWidth = 50;

    // Shows value 0..100: the bar appears at width 0 when hidden, grows or
    // shrinks to its new width in 0.2 s; the label "value%" rides on its end
    // once the bar is at least 50 wide (fading in over 1.3 s when it appears).
    void showProgress(int value);
    // Stops every animation and hides bar and label.
    void hideProgress();

    bool isBarShown() const { return barShown_; }
    double barWidth() const { return barWidth_; }
    double targetBarWidth() const { return targetWidth_; }
    bool isLabelShown() const { return labelShown_; }
    QString labelText() const { return labelText_; }
    double labelX() const { return labelX_; }
    double labelOpacity() const { return labelOpacity_; }

    void setBarWidth(double w);
    void setLabelX(double x);
    void setLabelOpacity(double o);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double labelWidth() const;
    QRectF barRect() const;

    double barX_ = 0, reserve_ = 170;
    bool barShown_ = false, labelShown_ = false;
    double barWidth_ = 0, targetWidth_ = 0;
    double labelX_ = 0, labelOpacity_ = 1;
    QString labelText_;
    QPropertyAnimation *widthAnimation_, *labelXAnimation_, *labelOpacityAnimation_;
};

} // namespace pv
