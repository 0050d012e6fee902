#pragma once
// A collapsible list header: a caption row with an icon and a chevron, and
// below it a list of items shown while expanded. Heights: the header alone
// when collapsed; header + items when expanded (animated).

#include "platform/widgets/Control.h"

#include <QWidget>

class QVariantAnimation;

namespace pv {

class TItemList;
class TSvgIcon;

// The caption as shown: a doubled ampersand shows one, and leading blanks
// (room left for the icon) are dropped because the icon has its own place.
QString ExpanderCaptionShown(const QString& stored);

class TExpander : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TExpander(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    TItemList* list() const { return list_; }
    TSvgIcon* icon() const { return icon_; }

    void setHeaderHeight(double designHeight);
    double headerHeight() const { return headerHeight_; }
    // Where the list sits under the header (design units).
    void setListIndent(double designIndent);

    bool isExpanded() const { return expanded_; }
    // Opens or closes; raises expandedChanged when the state changes.
    void setExpanded(bool expanded, bool animate = true);
    // Design height when expanded: header + items.
    double expandedDesignHeight() const;

    QSize sizeHint() const override;

    // The caption's width and the room the header has for it (pixels).
    int headerTextWidth() const;
    int headerTextRoom() const;
    // A caption too wide for its room is shown uncut (clipped to the room)
    // and moved by x pixels; off, it is shortened with an ellipsis again.
    void setHeaderTextScroll(bool on, double x = 0);

Q_SIGNALS:
    void headerClicked();
    void expandedChanged(bool expanded);
    void hoverChanged(bool hovered);

protected:
    void connectNotify(const QMetaMethod& signal) override { noteConnection(signal, 1); }
    void disconnectNotify(const QMetaMethod& signal) override { noteConnection(signal, -1); }
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void coloursChanged() override;
    void textChanged() override;

private:
    QRect headerRect() const;
    void setHeaderHovered(bool hovered);

    TItemList* list_;
    TSvgIcon* icon_;
    QVariantAnimation* heightAnimation_;
    double headerHeight_ = 25;
    double listIndent_ = 25;
    double chevron_ = 0; // 0 closed .. 1 open, animated with the height
    bool expanded_ = false;
    bool headerHovered_ = false;
    bool pressed_ = false;
    bool scrolling_ = false;
    double scrollX_ = 0;
};

} // namespace pv
