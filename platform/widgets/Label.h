#pragma once
// A painted text label: font colour slot, design font size, alignment,
// eliding, and click, double-click and hover signals.

#include "platform/widgets/Control.h"

#include <QMetaMethod>
#include <QWidget>

namespace pv {

class TLabel : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TLabel(const QString& english = {}, QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    TAlphaColor fontColour() const { return colour("font"); }
    void setFontColour(TAlphaColor c) { setColour("font", c); }
    // Design pixel size and weight of the Inter face.
    void setFontSize(double designPixels, int weight = QFont::Normal);
    void setAlignment(Qt::Alignment alignment);
    // Long texts break into lines instead of ending in an ellipsis.
    void setWordWrap(bool wrap);
    bool wordWrap() const { return wordWrap_; }
    void setLetterSpacing(double percent);
    // Clickable labels take the mouse and show the hand cursor; others let it pass.
    void setClickable(bool clickable);

    QSize sizeHint() const override;
    // Someone already reacts to the mouse entering and leaving.
    bool hasHoverHandler() const { return isSignalConnected(QMetaMethod::fromSignal(&TLabel::hoverChanged)); }

Q_SIGNALS:
    void clicked();
    void doubleClicked();
    void hoverChanged(bool hovered);

protected:
    void connectNotify(const QMetaMethod& signal) override { noteConnection(signal, 1); }
    void disconnectNotify(const QMetaMethod& signal) override { noteConnection(signal, -1); }
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap_ = false;
    bool pressed_ = false;
};

} // namespace pv
