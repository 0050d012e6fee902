#pragma once
// A box that a caller draws: the drawing routine gets the painter, the box's
// rectangle and the animation progress (0..1) the box was last given. It
// takes no mouse hits.

#include <QWidget>

#include <functional>

class QPainter;

namespace pv {

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    using TDraw = std::function<void(QPainter&, const QRectF& dest, double progress)>;
    explicit TPaintBox(QWidget* parent = nullptr);

    void setDraw(TDraw draw) { draw_ = std::move(draw); }
    double progress() const { return progress_; }
    // Repaints with the new phase.
    void setProgress(double progress);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TDraw draw_;
    double progress_ = 0;
};

} // namespace pv
