#pragma once
// A progress ring: an arc from the top, clockwise, over percent / 100 of the
// circle; drawn only for 1..99 %.

#include "platform/widgets/Control.h"

#include <QWidget>

class QPainter;

namespace pv {

// True when a ring is drawn for this percentage.
inline bool ProgressRingVisible(int percent) { return percent >= 1 && percent <= 99; }

// Draws the ring around centre (round caps, anti-aliased).
void PaintProgressRing(QPainter& p, QPointF centre, double radius, int percent, QColor colour, double strokeWidth);

// The ring as a control centred in its own rectangle.
class TProgressRing : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TProgressRing(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    int percent() const { return percent_; }
    void setPercent(int percent);
    // Radius in design units (default: fits the widget).
    void setRadius(double designRadius);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int percent_ = 0;
    double radius_ = 0;
};

} // namespace pv
