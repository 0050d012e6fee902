#pragma once
// The magnified preview box: shows its bitmap fitted into the box, with an
// inner shadow along the top and left edges, rounded corners in the panel
// colour and, while a preview renders, a progress ring around the centre.

#include "platform/widgets/Control.h"

#include <QImage>
#include <QWidget>

namespace pv {

class TPreviewImage : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TPreviewImage(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    const QImage& bitmap() const { return bitmap_; }
    void setBitmap(QImage bitmap);

    // The ring's percentage (drawn for 1..99) and its radius in pixels.
    void setRingPercent(int percent);
    int ringPercent() const { return ringPercent_; }
    void setRingRadius(double radius);

    bool isLightTheme() const { return lightTheme_; }
    void setLightTheme(bool light);

Q_SIGNALS:
    void mousePressed(QMouseEvent* e);
    void mouseMoved(QMouseEvent* e);
    void mouseReleased(QMouseEvent* e);
    void wheelTurned(QWheelEvent* e);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    QImage bitmap_;
    QImage innerShadow_;
    bool innerShadowLight_ = false;
    int ringPercent_ = 0;
    double ringRadius_ = 20;
    bool lightTheme_ = false;
};

} // namespace pv
