#pragma once
// The program's floating windows (text, print, contour colour, brush controls,
// coffee) are child widgets of the main window built on this panel: rounded,
// shadowed, with a close box at the top right, and moved by dragging their
// background, translucent and without shadow while they move.

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/RoundedPanel.h"

namespace pv {

class TLabel;

// A 26 x 26 close box with a drawn cross; under the mouse it fills red and the
// cross turns white. With a click handler it is a keyboard stop: Space and
// Enter click it.
class TCloseBox : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TCloseBox(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }
    bool isHovered() const { return hovered_; }
    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void connectNotify(const QMetaMethod& signal) override { noteConnection(signal, 1); }
    void disconnectNotify(const QMetaMethod& signal) override { noteConnection(signal, -1); }
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    bool hovered_ = false;
    bool pressed_ = false;
};

class TFloatingPanel : public TRoundedPanel {
    Q_OBJECT
public:
    explicit TFloatingPanel(QWidget* parent = nullptr);

    TCloseBox* closeBox() const { return closeBox_; }
    // A caption at the top left (English, translated like any label).
    void setTitle(const QString& english);
    TLabel* title() const { return title_; }

    bool isDragging() const { return dragging_; }
    // The shadow the panel shows while it rests.
    void setRestingShadow(const TShadow& shadow);
    // A translucent band across the top, under the close box, in the panel's
    // rounded shape; a height of 0 draws none.
    void setTitleBand(double designHeight, TAlphaColor dark, TAlphaColor light);
    double titleBandHeight() const { return titleBand_; }

Q_SIGNALS:
    // The close box was clicked; the panel has hidden itself.
    void closeClicked();
    void moved();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void endDrag();

    TCloseBox* closeBox_;
    TLabel* title_ = nullptr;
    TShadow restingShadow_{8, 0, 4, kShadow};
    double titleBand_ = 0;
    bool dragging_ = false;
    QPointF lastGlobal_;
};

} // namespace pv
