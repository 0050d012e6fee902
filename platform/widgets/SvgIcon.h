#pragma once
// An SVG icon drawn in one override colour (0 keeps the drawing's own
// colours), with its own opacity; it reports clicks and hovering.

#include "platform/widgets/Control.h"

#include <QImage>
#include <QWidget>

class QSvgRenderer;

namespace pv {

class TSvgIcon : public QWidget, public TControl {
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
public:
    explicit TSvgIcon(QWidget* parent = nullptr);
    ~TSvgIcon() override;
    QWidget* widget() override { return this; }

    // The drawing, from a file or resource path, or from SVG text.
    void setSource(const QString& path);
    void setSvgData(const QByteArray& svg);
    bool hasDrawing() const;

    TAlphaColor overrideColour() const { return colour("icon"); }
    void setOverrideColour(TAlphaColor c) { setColour("icon", c); }

    double opacity() const { return opacity_; }
    void setOpacity(double opacity);

    // A clickable icon takes the mouse (hand cursor); otherwise the mouse
    // passes through to what lies below.
    void setClickable(bool clickable);

    // Draws the icon inside the circle (ellipse) its rectangle holds; what
    // lies outside stays transparent (round portraits).
    void setRoundClip(bool round);
    bool roundClip() const { return roundClip_; }

    // The icon as drawn at a pixel size (tests and drag images use it).
    QImage render(QSize pixelSize) const;

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
    void coloursChanged() override;

private:
    QSvgRenderer* renderer_;
    double opacity_ = 1.0;
    mutable QImage cache_;
    bool pressed_ = false;
    bool roundClip_ = false;
};

} // namespace pv
