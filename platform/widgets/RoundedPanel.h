#pragma once
// A rounded rectangle with fill, optional stroke and a soft drop shadow.
// The shadow is a sibling painted just below the panel that the mouse passes
// through, so a panel takes input only where it is seen.

#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"

#include <QImage>
#include <QWidget>

namespace pv {

struct TShadow {
    double blur = 0;       // standard deviation in design units; 0 = no shadow
    double dx = 0, dy = 0; // offset in design units
    TAlphaColor colour = kShadow;
};

// A shadow picture for a rounded rectangle of the given pixel size: the
// rectangle's silhouette blurred with sigma (pixels), on a canvas grown by
// the returned margin on every side.
// Blurs a premultiplied picture in place (transparent outside its edges).
void BlurImage(QImage& image, double sigma);

QImage RoundedShadowImage(QSize rectSize, double radius, double sigma, TAlphaColor colour, int* margin);

class TPanelShadow;

class TRoundedPanel : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TRoundedPanel(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    TAlphaColor fillColour() const { return colour("fill"); }
    void setFillColour(TAlphaColor c) { setColour("fill", c); }
    TAlphaColor strokeColour() const { return colour("stroke"); }
    // A stroke width of 0 draws no stroke.
    void setStroke(TAlphaColor c, double designWidth);
    void setRadius(double designRadius);
    double radius() const { return radius_; }
    void setShadow(const TShadow& shadow);
    // Lets the mouse through (the panel only decorates).
    void setHitTest(bool hitTest);
    // The shadow shows and hides with the panel, also for a panel hidden
    // before its first show (which gets no hide event).
    void setVisible(bool visible) override;

    const TShadow& shadow() const { return shadow_; }
    double radiusPixels() const;

    // Places the panel (its visible rectangle, in the parent).
    void setPanelGeometry(const QRect& r) { setGeometry(r); }
    // The visible rectangle in the panel's own coordinates.
    QRect panelRect() const { return rect(); }

Q_SIGNALS:
    void clicked();
    void hoverChanged(bool hovered);

protected:
    void connectNotify(const QMetaMethod& signal) override { noteConnection(signal, 1); }
    void disconnectNotify(const QMetaMethod& signal) override { noteConnection(signal, -1); }
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void moveEvent(QMoveEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    void syncShadow();

    double radius_ = 15;
    double strokeWidth_ = 0;
    TShadow shadow_;
    TPanelShadow* shadowWidget_ = nullptr;
    bool pressed_ = false;
};

} // namespace pv
